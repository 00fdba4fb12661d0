// Internal to the sample mailbox: the people in it, dates, and the folders each source file
// fills. Addresses use the example.com and example.org domains of RFC 2606.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pstwriter/PstMailbox.h"

namespace samplemailbox {

struct Person {
    std::string name, address, company, jobTitle, phone, mobile;
};

// The mailbox owner, who sends what Sent Items and Drafts hold.
const Person& owner();
// The people the owner writes with; contacts() lists them all.
const std::vector<Person>& people();
const Person& person(const std::string& firstName);

// FILETIME of a UTC time in 2026.
uint64_t at(int month, int day, int hour, int minute = 0);
pstw::Recipient recipientOf(const Person& p, int32_t type = 1);

// The bytes of the attachments: a text file, a 16 by 16 PNG and a PDF-looking blob.
std::vector<uint8_t> textFile(const std::string& text);
std::vector<uint8_t> pngImage();
std::vector<uint8_t> pdfDocument(const std::string& title);

// Inbox, Sent Items, Drafts and Deleted Items.
std::vector<pstw::Folder> mailFolders();
// Calendar, Contacts, Tasks, Notes and Journal.
std::vector<pstw::Folder> organizerFolders();

} // namespace samplemailbox
