// Builds the benchmark's mailbox description. Everything comes from fixed seeds, so that two
// runs of the benchmark measure the same file.
#include "bench/GeneratedMailbox.h"

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace bench {

namespace {

using pstw::Folder;
using pstw::Item;
using pstw::ItemKind;

constexpr uint64_t kFirstTime = 131900000000000000ull; // early 2019, FILETIME
constexpr uint64_t kMinute = 600000000ull;
// What an item costs in the file besides its bodies and attachments: its property
// context, the recipient table, the contents table row and the B-tree entries.
constexpr uint64_t kItemOverhead = 1800;

const std::array<const char*, 24> kWords{
    "meeting", "budget",  "report", "quarter", "review", "draft",  "customer", "invoice",
    "project", "release", "notes",  "agenda",  "update", "team",   "schedule", "question",
    "office",  "travel",  "design", "summary", "plan",   "status", "contract", "deadline"};

std::string sentence(std::mt19937& gen, int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
        if (i) s += ' ';
        s += kWords[gen() % kWords.size()];
    }
    s[0] = char(s[0] - 'a' + 'A');
    return s + ".";
}

std::string textBody(std::mt19937& gen, size_t bytes) {
    std::string body;
    while (body.size() < bytes)
        body += sentence(gen, 8 + int(gen() % 8)) + (gen() % 4 ? " " : "\r\n\r\n");
    return body;
}

std::string htmlBody(const std::string& text) {
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body><p>";
    for (char c : text)
        html += c == '\n' ? std::string("</p><p>") : std::string(1, c);
    return html + "</p></body></html>";
}

std::vector<uint8_t> attachmentData(std::mt19937_64& gen, size_t size) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t v = gen();
        for (size_t k = 0; k < 8 && i + k < size; ++k)
            data[i + k] = uint8_t(v >> (8 * k));
    }
    return data;
}

struct FolderPlan {
    Folder* folder;
    ItemKind kind;
    size_t items;
};

// The folder tree: an Inbox with project subfolders, Sent Items, an archive by year, and a
// calendar, contacts and tasks folder: `count` folders in all.
std::vector<FolderPlan> planFolders(Folder& top, size_t count, size_t items) {
    top.folders.reserve(8);
    Folder& inbox = top.folders.emplace_back("Inbox");
    Folder& sent = top.folders.emplace_back("Sent Items");
    Folder& archive = top.folders.emplace_back("Archive");
    Folder& calendar = top.folders.emplace_back("Calendar", "IPF.Appointment");
    Folder& contacts = top.folders.emplace_back("Contacts", "IPF.Contact");
    Folder& tasks = top.folders.emplace_back("Tasks", "IPF.Task");
    const size_t fixed = 7; // the six above and Inbox's share
    const size_t others = count > fixed ? count - fixed : 0;
    const size_t years = others / 3, projects = others - years;
    inbox.folders.reserve(projects);
    archive.folders.reserve(years);
    for (size_t i = 0; i < projects; ++i)
        inbox.folders.emplace_back("Project " + std::to_string(i + 1));
    for (size_t i = 0; i < years; ++i)
        archive.folders.emplace_back("Archive " + std::to_string(2010 + i));

    std::vector<FolderPlan> plan{{&inbox, ItemKind::Note, items / 4},
                                 {&sent, ItemKind::Note, items / 8},
                                 {&calendar, ItemKind::Appointment, items / 33},
                                 {&contacts, ItemKind::Contact, items / 50},
                                 {&tasks, ItemKind::Task, items / 100},
                                 {&archive, ItemKind::Note, items / 100}};
    size_t planned = 0;
    for (const FolderPlan& p : plan)
        planned += p.items;
    std::vector<Folder*> rest;
    for (Folder& f : inbox.folders)
        rest.push_back(&f);
    for (Folder& f : archive.folders)
        rest.push_back(&f);
    for (size_t i = 0; i < rest.size(); ++i) {
        const size_t share = (items - planned) / (rest.size() - i);
        plan.push_back({rest[i], ItemKind::Note, share});
        planned += share;
    }
    if (rest.empty()) plan[0].items += items - planned;
    return plan;
}

Item makeItem(ItemKind kind, size_t n, std::mt19937& gen, size_t bodyBytes) {
    Item item;
    item.kind = kind;
    item.subject = sentence(gen, 3 + int(gen() % 5)) + " #" + std::to_string(n);
    item.senderName = "Sender " + std::to_string(n % 97);
    item.senderAddress = "sender" + std::to_string(n % 97) + "@example.com";
    item.displayTo = "Recipient " + std::to_string(n % 13);
    item.recipients = {{item.displayTo, "rcpt" + std::to_string(n % 13) + "@example.com"}};
    item.submitTime = kFirstTime + n * 7 * kMinute;
    item.deliveryTime = item.submitTime + kMinute;
    item.creationTime = item.deliveryTime;
    item.modificationTime = item.deliveryTime;
    item.read = gen() % 5 != 0;
    item.body = textBody(gen, bodyBytes);
    if (kind == ItemKind::Note) item.html = htmlBody(*item.body);
    if (kind == ItemKind::Appointment) {
        pstw::AppointmentInfo& a = item.appointment.emplace();
        a.start = item.submitTime + 1440 * kMinute;
        a.end = a.start + 60 * kMinute;
        a.location = "Room " + std::to_string(n % 20);
        a.durationMinutes = 60;
    }
    if (kind == ItemKind::Contact) {
        pstw::ContactInfo& c = item.contact.emplace();
        c.givenName = "Given" + std::to_string(n);
        c.surname = "Surname" + std::to_string(n % 500);
        c.displayName = c.givenName + " " + c.surname;
        c.email1Address = "contact" + std::to_string(n) + "@example.com";
        item.subject = c.displayName;
    }
    if (kind == ItemKind::Task) {
        pstw::TaskInfo& t = item.task.emplace();
        t.startDate = item.submitTime;
        t.dueDate = t.startDate + 7 * 1440 * kMinute;
    }
    return item;
}

} // namespace

GeneratedMailbox generateMailbox(const MailboxShape& shape) {
    GeneratedMailbox out;
    out.mailbox.storeName = "Benchmark mailbox";
    const std::vector<FolderPlan> plan =
        planFolders(out.mailbox.ipmSubtree, std::max<size_t>(shape.folders, 8), shape.items);
    const size_t bodyBytes = 1000;
    const size_t attachmentItems = std::max<size_t>(1, shape.items / shape.attachmentEvery);
    const uint64_t itemCost = shape.items * (bodyBytes * 2 + kItemOverhead);
    const uint64_t average = std::max<uint64_t>(
        4096, shape.bytes > itemCost ? (shape.bytes - itemCost) / attachmentItems : 0);
    std::mt19937 gen(20240611);
    std::mt19937_64 dataGen(7);
    size_t n = 0;
    for (const FolderPlan& p : plan) {
        p.folder->items.reserve(p.items);
        for (size_t i = 0; i < p.items; ++i, ++n) {
            Item item = makeItem(p.kind, n, gen, bodyBytes);
            if (n % shape.attachmentEvery == 0 && p.kind != ItemKind::Contact) {
                // From a quarter to seven quarters of the average, so that sizes spread.
                const size_t size = size_t(average / 4 + (average * 3 / 2) * (gen() % 1000) / 1000);
                pstw::Attachment a;
                a.longFileName = "attachment-" + std::to_string(n) + ".bin";
                a.mimeTag = "application/octet-stream";
                a.data = attachmentData(dataGen, size);
                out.attachmentBytes += size;
                ++out.attachments;
                item.attachments.push_back(std::move(a));
            }
            out.bodyBytes += item.body->size() + (item.html ? item.html->size() : 0);
            p.folder->items.push_back(std::move(item));
        }
        if (p.items > out.largestFolderItems) {
            out.largestFolderItems = p.items;
            out.largestFolder = p.folder->name;
        }
    }
    out.items = n;
    return out;
}

} // namespace bench
