// Item kinds from message classes and folder container classes, as the
// item lists and viewers see them.
#include <gtest/gtest.h>

#include "engine/messaging/ItemKind.h"
#include "tests/engine/ltp/PropSetImage.h"

using namespace propimg;

namespace {

int32_t KindOfMessage(const std::string& cls, uint32_t type = PtypString8) {
    tpstmessage m;
    auto set = Set(Text(0x001A, cls, type));
    ApplyProperties(set.get(), &m, nullptr);
    return m.Kind;
}

int32_t KindOfFolder(const std::string& cls, uint32_t type = PtypString) {
    tpstmessage m;
    auto set = Set(Text(0x3613, cls, type));
    ApplyProperties(set.get(), &m, nullptr);
    return m.Kind;
}

} // namespace

TEST(MessageKind, ClassesAndTheirPrefixes) {
    struct {
        const char* cls;
        int32_t kind;
    } cases[] = {
        {"IPM.Note", kKindMail},
        {"ipm.note", kKindMail},
        {"IPM.Note.SMIME.MultipartSigned", kKindMail},
        {"IPM", kKindMail},
        {"ipm", kKindMail},
        {"IPM.", kKindMail}, // a beginning of "IPM.Note" matches it
        {"", kKindMail},
        {"IPM.Contact", kKindContact},
        {"IPM.Con", kKindContact},
        {"IPM.DistList", kKindOther},
        {"REPORT.IPM.Note.NDR", kKindReport},
        {"IPM.Activity", kKindJournal},
        {"IPM.Appointment", kKindAppointment},
        {"IPM.Task", kKindTask},
        {"IPM.TaskRequest", kKindTask},
        {"IPM.StickyNote", kKindStickyNote},
        {"IPM.Schedule.Meeting.Request", kKindOther},
        {"IPM.Post", kKindPost},
        {"ipm.post", kKindPost},
        {"IPM.Post.Rss", kKindPost},
        {"IPM.Post.RSS", kKindPost},
        {"IPM.Post.Rss.Extra", kKindOther},
        {"IPM.Post.Other", kKindOther},
        {"IPM.Microsoft.ScheduleData.FreeBusy", kKindOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindFromMessageClass(c.cls), c.kind) << c.cls;
        EXPECT_EQ(KindOfMessage(c.cls), c.kind) << c.cls;
    }
}

TEST(MessageKind, ConvertedUnicodeClassesCountTheirTerminator) {
    // A converted PtypString value's Size includes its zero byte.
    EXPECT_EQ(KindOfMessage(std::string("IPM\0", 4), PtypString), kKindMail);
    EXPECT_EQ(KindOfMessage(std::string("IPM.Post\0", 9), PtypString), kKindPost);
}

TEST(MessageKind, ABinaryClassIsNotTaken) {
    tpstmessage m;
    Apply(m, Set(Text(0x001A, "IPM.Note", PtypBinary)));
    EXPECT_FALSE(m.MessageClass);
    EXPECT_EQ(m.Kind, kKindNone);
}

TEST(FolderKind, ContainerClassesMustBeginWithThePattern) {
    struct {
        const char* cls;
        int32_t kind;
    } cases[] = {
        {"IPF.Note", kKindMail},
        {"IPF.Note.OutlookHomepage", kKindMail},
        {"ipf.note", kKindOther}, // case counts for folders
        {"IPF.Contact", kKindContact},
        {"IPF.Journal", kKindJournal},
        {"IPF.Appointment", kKindAppointment},
        {"IPF.StickyNote", kKindStickyNote},
        {"IPF.Task", kKindTask},
        {"IPF.Configuration", kKindOther},
        {"IPF", kKindOther},
        {"", kKindOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindFromContainerClass(c.cls), c.kind) << c.cls;
        EXPECT_EQ(KindOfFolder(c.cls), c.kind) << c.cls;
    }
    // Any type is taken for the container class.
    EXPECT_EQ(KindOfFolder("IPF.Task", PtypBinary), kKindTask);
}

TEST(FolderKind, AFolderWithoutClassKeepsKindZero) {
    tpstmessage m;
    Apply(m, Set(Text(0x3001, "Inbox"), Int(0x3602, 12)));
    EXPECT_EQ(m.Kind, kKindNone);
    EXPECT_EQ(Str(m.DisplayName), "Inbox");
    EXPECT_EQ(m.FolderCounts->ContentCount, 12u);
}
