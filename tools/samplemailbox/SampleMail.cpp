// The mail folders of the sample mailbox: Inbox threads (originals, the owner's replies in
// Sent Items, answers with "RE:" and forwards with "FW:", linked by PR_INTERNET_MESSAGE_ID
// 0x1035 and PR_IN_REPLY_TO_ID 0x1042 of [MS-OXOMSG] 2.2.1), plain, HTML and RTF-only bodies,
// file attachments and a forwarded message attached whole ([MS-OXCMSG] 2.2.2.9, method 5).
#include <algorithm>
#include <cctype>
#include <memory>

#include "tools/pstwriter/PstRtf.h"
#include "tools/samplemailbox/SampleContent.h"

namespace samplemailbox {

namespace {

using pstw::Folder;
using pstw::Item;

constexpr uint16_t kPropInternetMessageId = 0x1035;
constexpr uint16_t kPropInReplyToId = 0x1042;
constexpr uint64_t kMinute = 600000000ull;
constexpr uint64_t kHour = 60 * kMinute;
constexpr uint64_t kDay = 24 * kHour;
// Mails after this day are still unread.
constexpr int kLastReadMonth = 4, kLastReadDay = 20;

enum class Body { Plain, Html, Rtf };
enum class Attach { None, Text, Png, Pdf };

struct Thread {
    const char* from; // first name of the sender
    const char* subject;
    int month, day, hour;
    Body body;
    Attach attach;
    const char* text;
    const char* reply;  // the owner's reply, kept in Sent Items; null: none
    const char* answer; // the sender's answer to it, in the Inbox; null: none
};

// clang-format off
const Thread kThreads[] = {
    {"Oliver", "Welcome back and January priorities", 1, 5, 9, Body::Html, Attach::None,
     "Happy new year, everyone. The three things that matter this month are the Bluefin "
     "relaunch, the print budget and hiring a second designer.",
     "Thanks Oliver, I will have the Bluefin plan ready by Friday.", nullptr},
    {"Priya", "Bluefin spring campaign brief", 1, 12, 14, Body::Html, Attach::Pdf,
     "Hi Daniel, attached is the brief for the spring campaign. We would love a first round of "
     "concepts by the end of the month.",
     "Hi Priya, thank you for the brief. We will send three directions by January 30.",
     "Perfect, looking forward to it. Hannah will join the review call."},
    {"Emma", "Moodboard for Bluefin", 1, 19, 11, Body::Plain, Attach::Png,
     "Here is the colour study I mentioned; the gradient is the one the client liked.",
     "Looks great, let us use it for direction B.", "Will do. I will update the deck tonight."},
    {"Lukas", "Quote for catalogue printing", 1, 26, 8, Body::Rtf, Attach::Pdf,
     "Dear Mr Moreau, please find our quote for 5,000 catalogues, 48 pages, matt coated paper. "
     "The price holds until the end of February.",
     "Dear Lukas, thank you. Could you also quote 8,000 copies?",
     "Of course: 8,000 copies reduce the unit price by 18 percent. Updated quote follows."},
    {"Sofia", "Interview schedule for the designer role", 2, 2, 10, Body::Plain, Attach::Text,
     "Hi Daniel, the candidates and times are in the attached file. Please confirm by Wednesday.",
     "Confirmed, all three slots work for me.", nullptr},
    {"Marcus", "Laptop replacement", 2, 9, 15, Body::Plain, Attach::None,
     "Your new laptop has arrived. Bring the old one to the IT room any afternoon this week.",
     nullptr, nullptr},
    {"Hannah", "Logo usage questions", 2, 16, 13, Body::Html, Attach::Png,
     "Hello Daniel, can the new logo be used on a dark background? Our agency asked.",
     "Yes, use the white version; the guidelines are on page 12.",
     "Thanks, that settles it."},
    {"Tom", "Catering for the March workshop", 2, 23, 16, Body::Rtf, Attach::None,
     "Hi Daniel, for 25 people we suggest the Mediterranean buffet. Any allergies we should "
     "know about?",
     "Two vegetarians and one nut allergy. The buffet sounds good.", nullptr},
    {"Aisha", "Usability test results", 3, 3, 11, Body::Html, Attach::Pdf,
     "The report from last week's sessions is attached. Short version: the checkout flow "
     "confused four of six participants.",
     "Very useful, thanks. Let us walk through it on Thursday.",
     "Booked Thursday 2 pm in the small meeting room."},
    {"Jonas", "Photo shoot dates", 3, 10, 9, Body::Plain, Attach::None,
     "Hi Daniel, I can do the product shoot on March 24 or 25. Which day suits you?",
     "March 24 please, from 9 am.", "Great, see you then."},
    {"Claire", "Illustrations, first sketches", 3, 17, 17, Body::Html, Attach::Png,
     "Bonjour Daniel, the first sketches for the catalogue cover are attached.", nullptr,
     nullptr},
    {"Ryan", "Q1 expense reports due", 3, 24, 8, Body::Rtf, Attach::None,
     "Reminder: Q1 expense reports are due on March 31. Late reports move to the next cycle.",
     nullptr, nullptr},
    {"Priya", "Campaign launch date", 4, 7, 12, Body::Html, Attach::None,
     "Daniel, we are moving the launch to May 4. Does that still work for the print run?",
     "May 4 works; Lukas confirmed delivery on April 28.", nullptr},
    {"Emma", "Holiday cover in May", 4, 21, 10, Body::Plain, Attach::None,
     "I am away May 11 to 22. Aisha can cover the Bluefin reviews while I am out.", nullptr,
     nullptr},
    {"Oliver", "Studio offsite agenda", 4, 24, 15, Body::Html, Attach::Text,
     "Draft agenda for the offsite attached. Add anything you want to discuss.", nullptr,
     nullptr},
    {"Marcus", "Password expiry notice", 1, 20, 7, Body::Plain, Attach::None,
     "Your network password expires in 7 days. Change it from the self-service page.", nullptr,
     nullptr},
    {"Sofia", "Team lunch on Friday", 2, 25, 12, Body::Html, Attach::None,
     "We are celebrating the Bluefin pitch with lunch at the Harbour Kitchen, Friday 12:30.",
     nullptr, nullptr},
    {"Lukas", "Paper samples shipped", 3, 5, 10, Body::Plain, Attach::Text,
     "The paper samples left our warehouse today; the tracking details are attached.", nullptr,
     nullptr},
    {"Hannah", "Rebrand rollout checklist", 4, 14, 11, Body::Rtf, Attach::Pdf,
     "Attached is our rollout checklist. Could your team check the signage section?", nullptr,
     nullptr},
    {"Aisha", "Survey draft for review", 4, 22, 14, Body::Html, Attach::None,
     "The customer survey draft is ready. Twelve questions, about five minutes to answer.",
     nullptr, nullptr},
    {"Ryan", "Invoice 2026-031 approved", 4, 28, 9, Body::Plain, Attach::Pdf,
     "Weber Print invoice 2026-031 is approved and will be paid on May 5.", nullptr, nullptr},
};
// clang-format on

std::string joinNames(const std::vector<pstw::Recipient>& recipients, int32_t type) {
    std::string out;
    for (const pstw::Recipient& r : recipients)
        if (r.type == type) out += (out.empty() ? "" : "; ") + r.name;
    return out;
}

std::string messageId(const std::string& subject, uint64_t sent, const Person& from) {
    std::string slug;
    for (char c : subject)
        if (std::isalnum(static_cast<unsigned char>(c))) slug += char(std::tolower(c));
    return "<" + slug.substr(0, 24) + "." + std::to_string(sent / kMinute) + "@" +
           from.address.substr(from.address.find('@') + 1) + ">";
}

std::string signedText(const std::string& text, const Person& from) {
    return text + "\r\n\r\n" + from.name.substr(0, from.name.find(' '));
}

std::string html(const std::string& text) {
    std::string out = "<html><head><meta charset=\"utf-8\"></head>"
                      "<body style=\"font-family:Calibri,sans-serif\"><p>";
    for (char c : text)
        out += c == '\n' ? "<br>" : c == '\r' ? "" : std::string(1, c);
    return out + "</p></body></html>";
}

std::string rtf(const std::string& text) {
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Calibri;}}"
                      "\\f0\\fs22 ";
    for (char c : text) {
        if (c == '\n')
            out += "\\par ";
        else if (c == '\\' || c == '{' || c == '}')
            out += std::string("\\") + c;
        else if (c != '\r')
            out += c;
    }
    return out + "\\par }";
}

void setBody(Item& item, Body body, const std::string& text) {
    if (body == Body::Rtf) {
        item.rtfCompressed = pstw::uncompressedRtf(rtf(text));
        return;
    }
    item.body = text;
    if (body == Body::Html) item.html = html(text);
}

Item message(const Person& from, const std::vector<pstw::Recipient>& to, const std::string& subject,
             uint64_t sent) {
    Item item;
    item.subject = subject;
    item.senderName = from.name;
    item.senderAddress = from.address;
    item.recipients = to;
    item.displayTo = joinNames(to, 1);
    item.displayCc = joinNames(to, 2);
    item.submitTime = sent;
    item.deliveryTime = sent + kMinute;
    item.creationTime = item.modificationTime = item.deliveryTime;
    item.read = sent < at(kLastReadMonth, kLastReadDay, 0);
    item.extra = {pstw::Prop::str(kPropInternetMessageId, messageId(subject, sent, from))};
    return item;
}

void inReplyTo(Item& reply, const Item& original) {
    for (const pstw::Prop& p : original.extra)
        if (p.id == kPropInternetMessageId)
            reply.extra.push_back({kPropInReplyToId, p.type, p.bytes});
}

pstw::Attachment attachmentFor(const Thread& t) {
    pstw::Attachment a;
    switch (t.attach) {
    case Attach::Text:
        a.longFileName = "details.txt";
        a.mimeTag = "text/plain";
        a.data = textFile(std::string(t.subject) + "\r\n\r\n" + t.text + "\r\n");
        break;
    case Attach::Png:
        a.longFileName = "preview.png";
        a.mimeTag = "image/png";
        a.data = pngImage();
        break;
    case Attach::Pdf:
        a.longFileName = std::string(t.subject).substr(0, 20) + ".pdf";
        a.mimeTag = "application/pdf";
        a.data = pdfDocument(t.subject);
        break;
    case Attach::None:
        break;
    }
    return a;
}

struct MailFolders {
    Folder inbox{"Inbox"}, sent{"Sent Items"}, drafts{"Drafts"}, deleted{"Deleted Items"};
};

void addThread(MailFolders& f, const Thread& t) {
    const Person& from = person(t.from);
    Item first = message(from, {recipientOf(owner())}, t.subject, at(t.month, t.day, t.hour));
    setBody(first, t.body, signedText(t.text, from));
    if (t.attach != Attach::None) first.attachments.push_back(attachmentFor(t));
    f.inbox.items.push_back(first);
    if (!t.reply) return;
    Item reply = message(owner(), {recipientOf(from)}, std::string("RE: ") + t.subject,
                         first.submitTime + 2 * kHour);
    setBody(reply, Body::Plain, signedText(t.reply, owner()));
    inReplyTo(reply, first);
    f.sent.items.push_back(reply);
    if (!t.answer) return;
    Item answer = message(from, {recipientOf(owner())}, reply.subject, reply.submitTime + kDay);
    setBody(answer, t.body, signedText(t.answer, from));
    inReplyTo(answer, reply);
    f.inbox.items.push_back(answer);
}

// A forward with the original quoted below, and one that carries the original as an item.
void addForwards(MailFolders& f) {
    const Person& oliver = person("Oliver");
    const Item& brief = *std::find_if(f.inbox.items.begin(), f.inbox.items.end(),
                                      [](const Item& i) { return i.senderName == "Priya Nair"; });
    Item quoted = message(oliver, {recipientOf(owner()), recipientOf(person("Emma"), 2)},
                          "FW: " + brief.subject, brief.submitTime + 3 * kHour);
    setBody(quoted, Body::Html,
            "Daniel, Emma, please take this one on together.\r\n\r\nOliver\r\n\r\n"
            "-----Original Message-----\r\nFrom: Priya Nair\r\nSubject: " +
                brief.subject + "\r\n\r\n" + *brief.body);
    f.inbox.items.push_back(quoted);

    const Person& priya = person("Priya");
    auto original = std::make_shared<Item>(
        message(priya, {recipientOf(oliver)}, "Contract renewal for 2026-2027", at(3, 27, 16)));
    setBody(
        *original, Body::Html,
        signedText("Oliver, our legal team approved the renewal. Signed copy to follow.", priya));
    Item whole = message(oliver, {recipientOf(owner())}, "FW: Contract renewal for 2026-2027",
                         at(3, 30, 9, 15));
    setBody(whole, Body::Plain,
            signedText("Good news from Bluefin, see the attached mail.", oliver));
    pstw::Attachment attached;
    attached.method = 5; // afEmbeddedMessage
    attached.longFileName = original->subject;
    attached.embedded = original;
    whole.attachments.push_back(attached);
    f.inbox.items.push_back(whole);
}

void addNewsletters(MailFolders& f) {
    const Person news{"Design Weekly", "newsletter@example.org", "", "", "", ""};
    const char* const issues[] = {"Design Weekly #101: Type trends for 2026",
                                  "Design Weekly #102: Colour in small spaces",
                                  "Design Weekly #103: Print is back"};
    for (int k = 0; k < 3; ++k) {
        Item issue = message(news, {recipientOf(owner())}, issues[k], at(1 + k, 6, 7));
        setBody(issue, Body::Html,
                std::string("This week: ") + issues[k] +
                    ".\r\nUnsubscribe "
                    "at any time.");
        f.deleted.items.push_back(issue);
    }
}

void addOwnMail(MailFolders& f) {
    Item team = message(owner(),
                        {recipientOf(person("Emma")), recipientOf(person("Aisha")),
                         recipientOf(person("Oliver"), 2)},
                        "Bluefin concepts, internal review", at(1, 28, 16, 30));
    setBody(team, Body::Html,
            signedText("Team, the three directions are in the shared folder. Comments by "
                       "Thursday noon, please.",
                       owner()));
    team.attachments.push_back(attachmentFor(
        {"", "Concept overview", 0, 0, 0, Body::Plain, Attach::Pdf, "", nullptr, nullptr}));
    f.sent.items.push_back(team);

    Item draft =
        message(owner(), {recipientOf(person("Jonas"))}, "Shoot list for March 24", at(3, 18, 18));
    draft.submitTime = draft.deliveryTime = 0; // never sent
    setBody(draft, Body::Plain, "Jonas, here is the first half of the shot list:\r\n");
    f.drafts.items.push_back(draft);
    Item offsite = message(owner(), {recipientOf(person("Oliver"))}, "RE: Studio offsite agenda",
                           at(4, 25, 8));
    offsite.submitTime = offsite.deliveryTime = 0;
    setBody(offsite, Body::Plain, "Oliver, could we add half an hour on tooling?");
    f.drafts.items.push_back(offsite);
}

} // namespace

std::vector<Folder> mailFolders() {
    MailFolders f;
    for (const Thread& t : kThreads)
        addThread(f, t);
    addForwards(f);
    addNewsletters(f);
    addOwnMail(f);
    return {f.inbox, f.sent, f.drafts, f.deleted};
}

} // namespace samplemailbox
