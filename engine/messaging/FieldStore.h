// The storage kinds by which a decoded property value becomes a field of a
// message object, and the typed store operations the tag table is made of.
// A store that needs the value's bytes fails when the value has none. The
// value types are those of [MS-PST] 2.3.3.3.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "engine/ltp/PropValue.h"
#include "engine/messaging/MessageObject.h"

enum class tstorage : uint8_t {
    None,
    TextCopy,       // the value's Size bytes as a string (text and byte strings)
    ExactCopy,      // exactly Size bytes; 0 bytes leave the field empty
    ExactOrRelease, // ExactCopy that also takes a value without bytes (the field is emptied)
    Exact24,        // the first 24 bytes
    U32,            // the first 4 bytes
    U32OrZero,      // U32, or 0 for a value without bytes
    U16,            // the first 2 bytes
    Float64,        // the first 8 bytes as a floating 64
    Tri32,          // -1 when the low 16 bits are 0, else 1
    Tri16,          // 0xFFFF when the low 16 bits are 0, else 1
    Flag32,         // 0 when the low 16 bits are 0, else 1
    Flag16,
    ByteCount,      // the value's Size
    UnicodeFlag,    // 1 when the value was a PtypString, else 0
    Low32,          // the first 4 bytes widened with zeros to 64 bits
    AfterFirstByte, // Size bytes from the second byte on (0x65E3)
    SplitSubject,   // prefix marker, prefix length and text ([MS-PST] 2.5.3.1.1)
};

enum class tstoreresult {
    Stored,
    Skipped,  // the value cannot be stored (no bytes where they are needed)
    NoElement // an attachment field and no current element
};

// Where one value goes: the message, and the current element of the chain.
struct tstoretarget {
    tpstmessage* message = nullptr;
    tattachment* element = nullptr;
};

using tstorefn = tstoreresult (*)(tstoretarget&, const tpropvalue&);

namespace fieldstore {

template <class T> struct tmemberof;
template <class R, class F> struct tmemberof<F R::*> { using record = R; };

// The sub-record slot of tpstmessage that holds records of type R.
template <class R> constexpr auto SlotOf() {
    if constexpr (std::is_same_v<R, tmailinfo>)
        return &tpstmessage::MailInfo;
    else if constexpr (std::is_same_v<R, tfolderinfo>)
        return &tpstmessage::FolderCounts;
    else if constexpr (std::is_same_v<R, tcontactinfo>)
        return &tpstmessage::Contact;
    else if constexpr (std::is_same_v<R, tstoreinfo>)
        return &tpstmessage::StoreInfo;
    else if constexpr (std::is_same_v<R, tjournalinfo>)
        return &tpstmessage::Journal;
    else if constexpr (std::is_same_v<R, tappointmentinfo>)
        return &tpstmessage::Appointment;
    else if constexpr (std::is_same_v<R, ttaskinfo>)
        return &tpstmessage::Task;
    else if constexpr (std::is_same_v<R, tnoteinfo>)
        return &tpstmessage::StickyNote;
    else if constexpr (std::is_same_v<R, tcompanies>)
        return &tpstmessage::Companies;
    else if constexpr (std::is_same_v<R, trssinfo>)
        return &tpstmessage::Rss;
    else if constexpr (std::is_same_v<R, tspecialfolders>)
        return &tpstmessage::SpecialFolders;
}

template <class R> R* Ensure(std::unique_ptr<R>& slot) {
    if (!slot) slot = std::make_unique<R>();
    return slot.get();
}

// The record a field of type R lives in; sub-records are created on first use.
template <class R> R* Target(tstoretarget& t) {
    if constexpr (std::is_same_v<R, tpstmessage>)
        return t.message;
    else if constexpr (std::is_same_v<R, tattachment>)
        return t.element;
    else
        return Ensure(t.message->*SlotOf<R>());
}

inline bool HasData(const tpropvalue& v) {
    return !v.Data.empty();
}

// The value's bytes that are really there, at most Size of them.
inline size_t Available(const tpropvalue& v) {
    return std::min<size_t>(v.Size, v.Data.size());
}

// `count` little-endian bytes from the start of the value; missing bytes are 0.
inline uint64_t LoadPadded(const tpropvalue& v, size_t count) {
    uint64_t out = 0;
    size_t n = std::min(count, v.Data.size());
    for (size_t i = 0; i < n; ++i)
        out |= uint64_t(v.Data[i]) << (8 * i);
    return out;
}

inline std::string TextOf(const tpropvalue& v, size_t from = 0) {
    size_t end = Available(v);
    if (from >= end) return std::string();
    return std::string(reinterpret_cast<const char*>(v.Data.data()) + from, end - from);
}

bool SplitSubject(std::unique_ptr<tsubject>& field, const tpropvalue& v);

template <tstorage S, class F> bool Put(F& field, const tpropvalue& v) {
    if constexpr (S == tstorage::ByteCount) {
        static_assert(std::is_same_v<F, uint32_t>);
        field = v.Size;
        return true;
    } else if constexpr (S == tstorage::UnicodeFlag) {
        static_assert(std::is_same_v<F, int32_t>);
        field = v.Type == PtypString ? 1 : 0;
        return true;
    } else if constexpr (S == tstorage::ExactOrRelease) {
        static_assert(std::is_same_v<F, tbytes>);
        field.assign(v.Data.begin(), v.Data.begin() + ptrdiff_t(Available(v)));
        return true;
    } else if constexpr (S == tstorage::U32OrZero) {
        static_assert(std::is_same_v<F, uint32_t>);
        field = uint32_t(LoadPadded(v, 4));
        return true;
    } else if constexpr (S == tstorage::SplitSubject) {
        return SplitSubject(field, v);
    } else {
        if (!HasData(v)) return false;
        if constexpr (S == tstorage::TextCopy) {
            static_assert(std::is_same_v<F, ttext>);
            field = TextOf(v);
        } else if constexpr (S == tstorage::AfterFirstByte) {
            static_assert(std::is_same_v<F, ttext>);
            // The value's last byte is then the reader's terminator.
            std::string key = TextOf(v, 1);
            key.resize(v.Size, '\0');
            field = std::move(key);
        } else if constexpr (S == tstorage::ExactCopy) {
            static_assert(std::is_same_v<F, tbytes>);
            field.assign(v.Data.begin(), v.Data.begin() + ptrdiff_t(Available(v)));
        } else if constexpr (S == tstorage::Exact24) {
            static_assert(std::is_same_v<F, tbytes>);
            field.assign(24, 0);
            std::copy_n(v.Data.begin(), std::min<size_t>(24, v.Data.size()), field.begin());
        } else if constexpr (S == tstorage::U32 || S == tstorage::Low32) {
            static_assert(std::is_same_v<F, uint32_t> || std::is_same_v<F, uint64_t>);
            field = F(LoadPadded(v, 4));
        } else if constexpr (S == tstorage::U16) {
            static_assert(std::is_same_v<F, uint16_t>);
            field = uint16_t(LoadPadded(v, 2));
        } else if constexpr (S == tstorage::Float64) {
            static_assert(std::is_same_v<F, double>);
            uint64_t raw = LoadPadded(v, 8);
            std::memcpy(&field, &raw, sizeof field);
        } else if constexpr (S == tstorage::Tri32) {
            static_assert(std::is_same_v<F, int32_t>);
            field = LoadPadded(v, 2) == 0 ? kTriFalse : 1;
        } else if constexpr (S == tstorage::Tri16) {
            static_assert(std::is_same_v<F, uint16_t>);
            field = LoadPadded(v, 2) == 0 ? kTriFalse16 : uint16_t(1);
        } else if constexpr (S == tstorage::Flag32 || S == tstorage::Flag16) {
            static_assert(std::is_same_v<F, int32_t> || std::is_same_v<F, uint16_t>);
            field = LoadPadded(v, 2) == 0 ? F(0) : F(1);
        } else {
            static_assert(S != S, "storage kind without a store");
        }
        return true;
    }
}

// The store of one table entry: Field a member pointer of a record type.
template <auto Field, tstorage S> tstoreresult StoreField(tstoretarget& t, const tpropvalue& v) {
    using R = typename tmemberof<decltype(Field)>::record;
    R* record = Target<R>(t);
    if (!record) return tstoreresult::NoElement;
    return Put<S>(record->*Field, v) ? tstoreresult::Stored : tstoreresult::Skipped;
}

} // namespace fieldstore
