// The people of the sample mailbox and the dates its items carry.
#include <ctime>
#include <stdexcept>

#include "tools/samplemailbox/SampleContent.h"

namespace samplemailbox {

namespace {

constexpr int kYear = 2026;
// Seconds from 1601-01-01 (FILETIME) to 1970-01-01, and FILETIME ticks per second.
constexpr int64_t kFileTimeEpochOffset = 11644473600LL;
constexpr uint64_t kTicksPerSecond = 10000000ULL;

} // namespace

const Person& owner() {
    static const Person daniel{"Daniel Moreau",    "daniel.moreau@example.com",
                               "Northwind Design", "Project Lead",
                               "+1 555 0140",      "+1 555 0141"};
    return daniel;
}

const std::vector<Person>& people() {
    static const std::vector<Person> all{
        {"Emma Clarke", "emma.clarke@example.com", "Northwind Design", "Senior Designer",
         "+1 555 0142", "+1 555 0143"},
        {"Oliver Grant", "oliver.grant@example.com", "Northwind Design", "Head of Studio",
         "+1 555 0144", "+1 555 0145"},
        {"Priya Nair", "priya.nair@example.org", "Bluefin Outfitters", "Marketing Director",
         "+44 20 7946 0321", "+44 7700 900321"},
        {"Lukas Weber", "lukas.weber@example.org", "Weber Print GmbH", "Account Manager",
         "+49 30 901820", "+49 151 23456789"},
        {"Sofia Rossi", "sofia.rossi@example.com", "Northwind Design", "People Operations",
         "+1 555 0146", ""},
        {"Marcus Lee", "marcus.lee@example.com", "Northwind Design", "IT Support", "+1 555 0147",
         "+1 555 0148"},
        {"Hannah Fischer", "hannah.fischer@example.org", "Bluefin Outfitters", "Brand Manager",
         "+44 20 7946 0456", ""},
        {"Tom Baker", "tom.baker@example.org", "Baker & Sons Catering", "Owner", "+1 555 0190",
         "+1 555 0191"},
        {"Aisha Khan", "aisha.khan@example.com", "Northwind Design", "UX Researcher", "+1 555 0149",
         ""},
        {"Jonas Berg", "jonas.berg@example.org", "Berg Photography", "Photographer",
         "+46 8 123 456 78", "+46 70 123 45 67"},
        {"Claire Dubois", "claire.dubois@example.org", "Atelier Dubois", "Illustrator", "",
         "+33 6 12 34 56 78"},
        {"Ryan O'Neill", "ryan.oneill@example.com", "Northwind Design", "Finance", "+1 555 0150",
         ""},
    };
    return all;
}

const Person& person(const std::string& firstName) {
    for (const Person& p : people())
        if (p.name.rfind(firstName + " ", 0) == 0) return p;
    throw std::invalid_argument("no sample person " + firstName);
}

uint64_t at(int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = kYear - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return uint64_t(int64_t(timegm(&t)) + kFileTimeEpochOffset) * kTicksPerSecond;
}

pstw::Recipient recipientOf(const Person& p, int32_t type) {
    return {p.name, p.address, "SMTP", type};
}

} // namespace samplemailbox
