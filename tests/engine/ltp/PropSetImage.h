// Hand-made property values and sets, shaped as the context reader delivers
// them (heap values carry one zero byte after their Size bytes), for the
// tests of the message layer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/messaging/ApplyProperties.h"
#include "engine/ltp/PropValue.h"

namespace propimg {

using bytes = std::vector<uint8_t>;

inline std::unique_ptr<tpropvalue> Value(uint32_t tag, uint32_t type, const bytes& data) {
    auto v = std::make_unique<tpropvalue>();
    v->Tag = tag;
    v->Type = type;
    v->Data = data;
    v->Data.push_back(0);
    v->Size = uint32_t(data.size());
    return v;
}
inline std::unique_ptr<tpropvalue> Text(uint32_t tag, const std::string& text,
                                        uint32_t type = PtypString8) {
    return Value(tag, type, bytes(text.begin(), text.end()));
}
// An inline value: 4 bytes, no terminator.
inline std::unique_ptr<tpropvalue> Int(uint32_t tag, uint32_t value,
                                       uint32_t type = PtypInteger32) {
    auto v = std::make_unique<tpropvalue>();
    v->Tag = tag;
    v->Type = type;
    v->Data = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    v->Size = 4;
    return v;
}
// A value whose subnode could not be read: no data, the NID in Type.
inline std::unique_ptr<tpropvalue> Unreadable(uint32_t tag, uint32_t nid) {
    auto v = std::make_unique<tpropvalue>();
    v->Tag = tag;
    v->Type = nid;
    return v;
}
inline std::unique_ptr<tpropvalue> Named(const char* name, const std::string& text) {
    auto v = Text(kStringNamedTag, text);
    v->Name = name;
    return v;
}

template <class... V> std::unique_ptr<tpropset> Set(V... values) {
    auto set = std::make_unique<tpropset>();
    (set->Values.push_back(std::move(values)), ...);
    set->Count = set->Capacity = int32_t(set->Values.size());
    set->RowCount = 1;
    return set;
}

// Links sets into a list in the order given.
inline std::unique_ptr<tpropset> List(std::vector<std::unique_ptr<tpropset>> sets) {
    std::unique_ptr<tpropset> head;
    for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
        (*it)->Next = std::move(head);
        head = std::move(*it);
    }
    return head;
}
template <class... S> std::unique_ptr<tpropset> List(std::unique_ptr<tpropset> first, S... rest) {
    std::vector<std::unique_ptr<tpropset>> sets;
    sets.push_back(std::move(first));
    (sets.push_back(std::move(rest)), ...);
    return List(std::move(sets));
}

// Applies a single set to `message` without an element.
inline void Apply(tpstmessage& message, std::unique_ptr<tpropset> set,
                  tattachment* element = nullptr) {
    ASSERT_EQ(ApplyProperties(set.get(), &message, element), 0);
}

inline std::string Str(const ttext& text) {
    return text ? *text : std::string("<null>");
}

} // namespace propimg
