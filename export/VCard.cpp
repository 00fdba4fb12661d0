// vCard 3.0 contacts (RFC 2426) and vCard 4.0 groups (RFC 6350) from the
// contact fields of the message object ([MS-OXOCNTC] 2.2.1, 2.2.2).
#include "export/VCard.h"

#include <strings.h>

#include "engine/messaging/Subject.h"
#include "export/CalendarTime.h"
#include "export/ContentLines.h"
#include "export/EmlNames.h"
#include "export/ItemText.h"
#include "export/ListMembers.h"

namespace {

constexpr const char kListClass[] = "IPM.DistList";

struct tsetup {
    const tpstmessage& item;
    tcontentlines lines;

    std::string Text(const ttext& t) const { return ItemUtf8(item, t); }
};

std::string Component(const tsetup& s, const ttext& t) {
    return EscapedText(s.Text(t));
}

// FN: the display name, else "File under", else the names, else the subject.
std::string FormattedName(const tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    for (const ttext* t : {&s.item.DisplayName, &c.FileUnder})
        if (std::string v = s.Text(*t); !v.empty()) return v;
    std::string names = s.Text(c.GivenName);
    if (std::string sur = s.Text(c.Surname); !sur.empty())
        names += (names.empty() ? "" : " ") + sur;
    if (!names.empty()) return names;
    std::string subject = SubjectText(s.item);
    return subject.empty() ? s.Text(c.Email1Address) : ItemUtf8(s.item, subject);
}

void AddNames(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    std::string name = FormattedName(s);
    s.lines.AddText("FN", name.empty() ? "Contact" : name);
    s.lines.Add("N", Component(s, c.Surname) + ";" + Component(s, c.GivenName) + ";" +
                         Component(s, c.MiddleName) + ";" + Component(s, c.DisplayNamePrefix) +
                         ";" + Component(s, c.Generation));
    s.lines.AddText("NICKNAME", s.Text(c.Nickname));
}

void AddWork(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    std::string company = s.Text(c.CompanyName), department = s.Text(c.Department);
    if (!company.empty() || !department.empty())
        s.lines.Add("ORG", EscapedText(company) +
                               (department.empty() ? "" : ";" + EscapedText(department)));
    s.lines.AddText("TITLE", s.Text(c.JobTitle));
    s.lines.AddText("ROLE", s.Text(c.Profession));
}

bool IsInternetAddress(const std::string& type, const std::string& address) {
    if (address.empty() || address.find('@') == std::string::npos) return false;
    return type.empty() || strcasecmp(type.c_str(), "SMTP") == 0;
}

void AddEmails(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    const ttext* kAddresses[][2] = {{&c.Email1Address, &c.Email1AddressType},
                                    {&c.Email2Address, &c.Email2AddressType},
                                    {&c.Email3Address, &c.Email3AddressType}};
    bool first = true;
    for (auto& [address, type] : kAddresses) {
        std::string a = s.Text(*address);
        if (!IsInternetAddress(s.Text(*type), a)) continue;
        s.lines.AddText(first ? "EMAIL;TYPE=INTERNET,PREF" : "EMAIL;TYPE=INTERNET", a);
        first = false;
    }
}

void AddPhones(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    const std::pair<const char*, const ttext*> kPhones[] = {
        {"TEL;TYPE=WORK,VOICE", &c.BusinessTelephoneNumber},
        {"TEL;TYPE=WORK,VOICE", &c.Business2TelephoneNumber},
        {"TEL;TYPE=HOME,VOICE", &c.HomeTelephoneNumber},
        {"TEL;TYPE=HOME,VOICE", &c.Home2TelephoneNumber},
        {"TEL;TYPE=CELL", &c.MobileTelephoneNumber},
        {"TEL;TYPE=WORK,FAX", &c.BusinessFaxNumber},
        {"TEL;TYPE=HOME,FAX", &c.HomeFaxNumber},
        {"TEL;TYPE=FAX", &c.PrimaryFaxNumber},
        {"TEL;TYPE=PAGER", &c.PagerNumber},
        {"TEL;TYPE=CAR", &c.CarTelephoneNumber},
        {"TEL;TYPE=ISDN", &c.IsdnNumber},
        {"TEL;TYPE=PREF", &c.PrimaryTelephoneNumber},
        {"TEL;TYPE=WORK", &c.CompanyMainTelephoneNumber},
        {"TEL;TYPE=VOICE", &c.OtherTelephoneNumber},
        {"TEL;TYPE=VOICE", &c.CallbackTelephoneNumber},
        {"TEL;TYPE=VOICE", &c.AssistantTelephoneNumber},
        {"TEL;TYPE=VOICE", &c.RadioTelephoneNumber},
    };
    for (const auto& [name, number] : kPhones)
        s.lines.AddText(name, s.Text(*number));
}

struct taddressfields {
    const char* name;
    const ttext *box, *street, *city, *state, *code, *country;
    const ttext* whole; // the address as one text (PidLidWorkAddress and its kin)
    const char* label;
};

void AddAddress(tsetup& s, const taddressfields& a) {
    std::string parts[] = {s.Text(*a.box),   s.Text(*a.street), s.Text(*a.city),
                           s.Text(*a.state), s.Text(*a.code),   s.Text(*a.country)};
    bool any = false;
    for (const std::string& p : parts)
        any = any || !p.empty();
    std::string whole = s.Text(*a.whole);
    s.lines.AddText(a.label, whole);
    // Only the whole text: it stands as the street, where importers that
    // ignore LABEL still show it.
    if (!any && !whole.empty()) parts[1] = whole;
    if (!any && whole.empty()) return;
    // ADR: post office box; extended address; street; locality; region; code; country.
    s.lines.Add(a.name, EscapedText(parts[0]) + ";;" + EscapedText(parts[1]) + ";" +
                            EscapedText(parts[2]) + ";" + EscapedText(parts[3]) + ";" +
                            EscapedText(parts[4]) + ";" + EscapedText(parts[5]));
}

void AddAddresses(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    // The business address of Outlook's form is in the Work* named
    // properties; older writers fill only the PidTagBusinessAddress* ones.
    bool work =
        c.WorkAddressStreet || c.WorkAddressCity || c.WorkAddressPostalCode || c.WorkAddressCountry;
    if (work)
        AddAddress(s, {"ADR;TYPE=WORK", &c.WorkAddressPostOfficeBox, &c.WorkAddressStreet,
                       &c.WorkAddressCity, &c.WorkAddressState, &c.WorkAddressPostalCode,
                       &c.WorkAddressCountry, &c.BusinessAddress, "LABEL;TYPE=WORK"});
    else
        AddAddress(s,
                   {"ADR;TYPE=WORK", &c.BusinessAddressPostOfficeBox, &c.BusinessAddressStreet,
                    &c.BusinessAddressCity, &c.BusinessAddressState, &c.BusinessAddressPostalCode,
                    &c.BusinessAddressCountry, &c.BusinessAddress, "LABEL;TYPE=WORK"});
    AddAddress(s, {"ADR;TYPE=HOME", &c.HomeAddressPostOfficeBox, &c.HomeAddressStreet,
                   &c.HomeAddressCity, &c.HomeAddressState, &c.HomeAddressPostalCode,
                   &c.HomeAddressCountry, &c.HomeAddress, "LABEL;TYPE=HOME"});
    AddAddress(s, {"ADR;TYPE=POSTAL", &c.OtherAddressPostOfficeBox, &c.OtherAddressStreet,
                   &c.OtherAddressCity, &c.OtherAddressState, &c.OtherAddressPostalCode,
                   &c.OtherAddressCountry, &c.OtherAddress, "LABEL;TYPE=POSTAL"});
}

void AddDates(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    // Outlook stores these days as local midnight in UTC, like all-day times.
    if (auto m = FileTimeMinutes(c.Birthday))
        if (auto d = IsoDateOfMinutes(AllDayMinutes(*m))) s.lines.Add("BDAY;VALUE=DATE", *d);
    if (auto m = FileTimeMinutes(c.WeddingAnniversary))
        if (auto d = IsoDateOfMinutes(AllDayMinutes(*m))) s.lines.Add("X-ANNIVERSARY", *d);
}

void AddOthers(tsetup& s) {
    const tcontactinfo& c = *s.item.Contact;
    for (const ttext* page : {&c.BusinessHomePage, &c.PersonalHomePage})
        s.lines.AddText("URL", s.Text(*page));
    s.lines.AddText("NOTE", ItemPlainBody(s.item));
}

void Begin(tcontentlines& lines, const char* version) {
    lines.Add("BEGIN", "VCARD");
    lines.Add("VERSION", version);
}

std::string ListName(const tpstmessage& list) {
    if (std::string v = ItemUtf8(list, list.DisplayName); !v.empty()) return v;
    if (list.Contact)
        if (std::string v = ItemUtf8(list, list.Contact->DistributionListName); !v.empty())
            return v;
    std::string subject = ItemUtf8(list, SubjectText(list));
    return subject.empty() ? "Distribution list" : subject;
}

void AddMembers(tcontentlines& lines, const tcontactinfo& c) {
    std::vector<tlistmember> members = ListMembers(c.DistributionListOneOffMembers);
    if (members.empty()) members = ListMembers(c.DistributionListMembers);
    for (const tlistmember& m : members) {
        if (IsInternetAddress(m.AddressType, m.Address))
            lines.Add("MEMBER", "mailto:" + EscapedText(m.Address));
    }
}

} // namespace

bool IsDistributionList(const tpstmessage& item) {
    std::string cls = TextOf(item.MessageClass);
    return cls.size() >= sizeof kListClass - 1 &&
           strncasecmp(cls.c_str(), kListClass, sizeof kListClass - 1) == 0;
}

std::string ComposeContactVCard(const tpstmessage& contact) {
    tsetup s{contact, {}};
    Begin(s.lines, "3.0");
    if (contact.Contact) {
        AddNames(s);
        AddWork(s);
        AddEmails(s);
        AddPhones(s);
        AddAddresses(s);
        AddDates(s);
        AddOthers(s);
    } else {
        std::string name = ItemUtf8(contact, SubjectText(contact));
        s.lines.AddText("FN", name.empty() ? "Contact" : name);
        s.lines.Add("N", EscapedText(name) + ";;;;");
        s.lines.AddText("NOTE", ItemPlainBody(contact));
    }
    s.lines.Add("END", "VCARD");
    return s.lines.Text();
}

std::string ComposeListVCard(const tpstmessage& list) {
    tcontentlines lines;
    Begin(lines, "4.0");
    lines.Add("KIND", "group");
    lines.AddText("FN", ListName(list));
    if (list.Contact) AddMembers(lines, *list.Contact);
    lines.AddText("NOTE", ItemPlainBody(list));
    lines.Add("END", "VCARD");
    return lines.Text();
}
