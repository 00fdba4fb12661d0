// Item kinds from classes. Message classes are compared without case, and a
// class that is a beginning of a pattern matches it as well as one that
// begins with it; folder classes must begin with the pattern, case and all.
#include "engine/messaging/ItemKind.h"

#include <cstring>

#include "engine/messaging/MessageObject.h"

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Agreement without case until either string ends or `count` characters match.
bool AgreesUpTo(const char* text, const char* pattern, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == 0 || pattern[i] == 0) return true;
        if (Lower(text[i]) != Lower(pattern[i])) return false;
    }
    return true;
}

bool EqualsIgnoringCase(const char* text, const char* pattern) {
    for (; *text && *pattern; ++text, ++pattern)
        if (Lower(*text) != Lower(*pattern)) return false;
    return *text == *pattern;
}

struct tprefix {
    const char* pattern;
    size_t count;
    int32_t kind;
};

// In this order: "IPM" alone, and "IPM.Post" alone, sit between them.
constexpr tprefix kMessagePrefixes[] = {
    {"IPM.Contact", 11, kKindContact},  {"REPORT.IPM.Note", 15, kKindReport},
    {"IPM.Activity", 12, kKindJournal}, {"IPM.Appointment", 15, kKindAppointment},
    {"IPM.Task", 8, kKindTask},         {"IPM.StickyNote", 14, kKindStickyNote},
};

constexpr tprefix kFolderPrefixes[] = {
    {"IPF.Note", 8, kKindMail},
    {"IPF.Contact", 11, kKindContact},
    {"IPF.Journal", 11, kKindJournal},
    {"IPF.Appointment", 15, kKindAppointment},
    {"IPF.StickyNote", 14, kKindStickyNote},
    {"IPF.Task", 8, kKindTask},
};

} // namespace

int32_t KindFromMessageClass(const char* messageClass) {
    const char* c = messageClass ? messageClass : "";
    if (AgreesUpTo(c, "IPM.Note", 8)) return kKindMail;
    if (EqualsIgnoringCase(c, "IPM")) return kKindMail;
    for (const tprefix& p : kMessagePrefixes)
        if (AgreesUpTo(c, p.pattern, p.count)) return p.kind;
    if (EqualsIgnoringCase(c, "IPM.Post.Rss")) return kKindPost;
    return EqualsIgnoringCase(c, "IPM.Post") ? kKindPost : kKindOther;
}

int32_t KindFromContainerClass(const char* containerClass) {
    const char* c = containerClass ? containerClass : "";
    for (const tprefix& p : kFolderPrefixes)
        if (std::strncmp(c, p.pattern, p.count) == 0) return p.kind;
    return kKindOther;
}

bool IsViewerKind(int32_t kind) {
    return kind >= kKindAppointment && kind <= kKindTask;
}

bool IsListedFolderKind(int32_t kind) {
    return kind == kKindNone || kind == kKindMail || IsViewerKind(kind);
}
