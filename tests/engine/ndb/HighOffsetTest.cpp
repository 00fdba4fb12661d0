// Files over 4 GiB: B-tree pages and blocks whose offsets lie above 4 GiB
// ([MS-PST] 2.2.2.7.7, 2.2.2.8: 64-bit IB in the Unicode layouts) read as
// they do below it. A sparse file holds a written mailbox twice, at offset 0
// and again 4 GiB further on; the index roots and then every block entry are
// moved to the far copy, and every object must read as from the near one.
// The ANSI layout's offsets are 32 bits wide: it cannot reach beyond 4 GiB
// (its files end at 2 GiB in practice), so it has no case here.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <vector>

#include "engine/uPST64Format.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

constexpr int64_t kFarCopy = (int64_t(1) << 32) + 0x10000; // beyond 4 GiB, page-aligned

pstw::Mailbox FewItems() {
    pstw::Mailbox m;
    pstw::Folder inbox("Inbox");
    for (size_t size : {size_t(40), size_t(20000)}) {
        pstw::Item item;
        item.subject = "far " + std::to_string(size);
        item.body = std::string(size, 'f');
        inbox.items.push_back(item);
    }
    m.ipmSubtree.folders = {inbox};
    return m;
}

// The mailbox at 0 and at kFarCopy, with a hole between; false when the
// file system cannot hold it.
bool WriteSparse(const std::string& path, const std::vector<uint8_t>& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::pwrite(fd, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size()) &&
              ::pwrite(fd, bytes.data(), bytes.size(), kFarCopy) == ssize_t(bytes.size());
    ::close(fd);
    return ok;
}

void MoveFar(tblockentry* e) {
    if (!e) return;
    e->ib += kFarCopy;
    MoveFar(e->pLesser);
    MoveFar(e->pGreater);
}

// Kind and subject of every node's object, by NID.
std::map<uint64_t, std::string> Objects(tpstfile& file) {
    std::map<uint64_t, std::string> seen;
    for (const auto& node : file.nodes.owned) {
        std::unique_ptr<tpstmessage> m = BuildMessage(&file, node, nullptr);
        seen[node->nid] = m ? std::to_string(m->Kind) + " " + SubjectText(*m) : "none";
        FreeMessage(m);
    }
    return seen;
}

class HighOffsets : public ::testing::TestWithParam<pstw::Layout> {};

TEST_P(HighOffsets, PagesAndBlocksBeyondFourGiBReadAsBelow) {
    pstw::MailboxWriter writer({GetParam(), 1});
    const std::vector<uint8_t> bytes = writer.write(FewItems());
    char path[] = "/tmp/ostrel-far-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    if (!WriteSparse(path, bytes)) {
        std::remove(path);
        GTEST_SKIP() << "no sparse file of 4 GiB possible in /tmp";
    }
    tpstfile near, far;
    ASSERT_EQ(OpenPstFile(&near, path), 0);
    ASSERT_EQ(OpenPstFile(&far, path), 0);
    std::remove(path); // the open handles keep it
    BuildIndexes(&near);
    far.ibBBT += kFarCopy; // the roots are read beyond 4 GiB
    far.ibNBT += kFarCopy;
    BuildIndexes(&far);
    EXPECT_EQ(far.cBlocks, near.cBlocks);
    EXPECT_EQ(far.cNodes, near.cNodes);
    MoveFar(far.pBlockIndex); // and so is every block
    const std::map<uint64_t, std::string> expected = Objects(near);
    EXPECT_EQ(Objects(far), expected);
    int subjects = 0;
    for (const auto& [nid, text] : expected)
        subjects += text.find(" far ") != std::string::npos ? 1 : 0;
    EXPECT_GE(subjects, 2); // the two items, and any table row that names them
}

INSTANTIATE_TEST_SUITE_P(Layouts, HighOffsets,
                         ::testing::Values(pstw::Layout::Unicode, pstw::Layout::Unicode4k),
                         [](const auto& info) {
                             return info.param == pstw::Layout::Unicode ? "Unicode" : "Unicode4k";
                         });

} // namespace
