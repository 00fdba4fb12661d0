// Opening written file images as mailboxes in tests: the bytes go to a
// temporary file that is unlinked at once, since the open handle keeps it
// readable for the rest of the test.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mailbox/uPST64File.h"
#include "tools/pstwriter/PstWriter.h"

namespace opened {

// A new empty file /tmp/<stem>-XXXXXX.
inline std::string TempPath(const std::string& stem) {
    std::string name = "/tmp/" + stem + "-XXXXXX";
    int fd = ::mkstemp(name.data());
    if (fd >= 0) ::close(fd);
    return name;
}

inline std::unique_ptr<TPst64File> OpenBytes(const std::vector<uint8_t>& bytes) {
    std::string path = TempPath("ostrel-open");
    pstw::writeFile(path, bytes);
    auto pst = TPst64File::Create();
    pst->Open(path);
    std::remove(path.c_str());
    return pst;
}

} // namespace opened
