// The field list (MessageFields.inc) against the tag table made from it:
// every table entry names a listed field, every tagged field has exactly one
// tag unless a second one is deliberate, and every companion and rule-only
// line is where the table needs it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/messaging/TagTable.h"

namespace {

struct tlisted {
    std::string field;  // "record::Field", as the table names it
    std::string source; // "Tag", or the source of an untagged field
};

std::vector<tlisted> ListedFields() {
    std::vector<tlisted> out;
#define FIELD_TAG(record, type, field, ...) out.push_back({#record "::" #field, "Tag"});
#define FIELD_TAG_WITH(record, type, field, ...) out.push_back({#record "::" #field, "Tag"});
#define FIELD_NO_TAG(record, type, field, show, source)                                            \
    out.push_back({#record "::" #field, #source});
#define FIELD_ALSO(...)
#define FIELD_ALSO_WITH(...)
#define FIELD_RULE(...)
#define FIELD_NOT_STORED(...)
#include "engine/messaging/MessageFields.inc"
#include "engine/messaging/fields/UndefFieldMacros.inc"
    return out;
}

std::map<std::string, std::string> SourceByField() {
    std::map<std::string, std::string> out;
    for (const tlisted& f : ListedFields())
        out[f.field] = f.source;
    return out;
}

std::string RecordOf(const char* field) {
    std::string text = field;
    return text.substr(0, text.find("::"));
}

} // namespace

TEST(FieldList, NamesEveryFieldOnce) {
    std::vector<tlisted> listed = ListedFields();
    EXPECT_GT(listed.size(), 250u);
    EXPECT_EQ(SourceByField().size(), listed.size()) << "a field is listed twice";
}

TEST(FieldList, EveryTableEntryNamesAListedField) {
    std::map<std::string, std::string> sources = SourceByField();
    for (const ttagentry& e : TagTableEntries()) {
        SCOPED_TRACE(testing::Message() << "tag 0x" << std::hex << e.tag);
        if (!e.first.field) {
            // Only a rule that stores nothing or handles the value itself.
            EXPECT_TRUE(e.rule == trule::NotStored || e.rule == trule::HeaderField);
            EXPECT_EQ(e.second.field, nullptr);
            continue;
        }
        ASSERT_TRUE(sources.count(e.first.field)) << e.first.field;
        EXPECT_EQ(sources[e.first.field], "Tag") << e.first.field;
        EXPECT_NE(e.first.store, nullptr);
        if (!e.second.field) continue;
        ASSERT_TRUE(sources.count(e.second.field)) << e.second.field;
        const std::string& source = sources[e.second.field];
        EXPECT_TRUE(source == "Companion" || source == "Tag") << e.second.field;
        EXPECT_EQ(RecordOf(e.second.field), RecordOf(e.first.field));
        EXPECT_TRUE(e.second.storage == tstorage::ByteCount ||
                    e.second.storage == tstorage::UnicodeFlag)
            << e.second.field;
    }
}

TEST(FieldList, EachTaggedFieldHasOneTagUnlessASecondIsDeliberate) {
    std::map<std::string, int> firstTags;
    std::map<uint32_t, std::string> secondTags;
    std::set<uint32_t> tags;
    for (const ttagentry& e : TagTableEntries()) {
        EXPECT_TRUE(tags.insert(e.tag).second) << "tag twice: 0x" << std::hex << e.tag;
        if (!e.first.field) continue;
        if (e.secondTag)
            secondTags[e.tag] = e.first.field;
        else
            ++firstTags[e.first.field];
    }
    for (const tlisted& f : ListedFields())
        if (f.source == "Tag") {
            EXPECT_EQ(firstTags[f.field], 1) << f.field;
        }
    // A folder's container class fills the message class; the record key has
    // a second form; the PidTag address type and address fill the first
    // e-mail address of a contact.
    const std::map<uint32_t, std::string> deliberate = {
        {0x3613, "tpstmessage::MessageClass"},
        {0x65E3, "tpstmessage::RecordKey"},
        {0x3003, "tcontactinfo::Email1Address"},
        {0x3002, "tcontactinfo::Email1AddressType"},
    };
    EXPECT_EQ(secondTags, deliberate);
}

TEST(FieldList, EveryCompanionIsStoredWithATag) {
    std::set<std::string> companions;
    for (const ttagentry& e : TagTableEntries())
        if (e.second.field) companions.insert(e.second.field);
    for (const tlisted& f : ListedFields())
        if (f.source == "Companion") {
            EXPECT_TRUE(companions.count(f.field)) << f.field;
        }
}

TEST(FieldList, StringNamedPropertiesHaveOneRuleEntry) {
    const ttagentry* entry = FindTagEntry(kStringNamedTag);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->rule, trule::HeaderField);
    EXPECT_EQ(entry->first.store, nullptr);
}
