// The one subject text of a message object: absent parts, empty subjects and
// the terminator that Unicode subjects carry.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/messaging/Subject.h"

TEST(SubjectTest, AbsentAtAnyLevelIsNoSubject) {
    tpstmessage m;
    EXPECT_FALSE(HasSubject(m));
    EXPECT_EQ(SubjectText(m), "");
    m.MailInfo = std::make_unique<tmailinfo>();
    EXPECT_FALSE(HasSubject(m));
    m.MailInfo->Subject = std::make_unique<tsubject>();
    EXPECT_FALSE(HasSubject(m));
    EXPECT_EQ(SubjectText(m), "");
}

TEST(SubjectTest, EmptySubjectCountsAndTextEndsAtItsTerminator) {
    tpstmessage m;
    m.MailInfo = std::make_unique<tmailinfo>();
    m.MailInfo->Subject = std::make_unique<tsubject>();
    m.MailInfo->Subject->Text = std::string();
    EXPECT_TRUE(HasSubject(m));
    EXPECT_EQ(SubjectText(m), "");
    m.MailInfo->Subject->Text = std::string("Re: plan\0junk", 13);
    EXPECT_EQ(SubjectText(m), "Re: plan");
    // The prefix is part of the text; the split does not remove it.
    m.MailInfo->Subject->PrefixLength = 4;
    EXPECT_EQ(SubjectText(m), "Re: plan");
}
