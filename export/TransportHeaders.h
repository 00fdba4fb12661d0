// The original transport headers of a received message
// (PidTagTransportMessageHeaders, [MS-OXOMSG] 2.2.1.61) as header fields for
// an exported copy: the text is untrusted, so it is cut into RFC 5322 fields
// (2.2, unfolded per 2.2.3), and only fields that neither repeat one the
// export writes itself nor describe a MIME structure are kept, refolded
// within the line length limit of RFC 5322 2.1.1.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

// Input beyond this many bytes is not looked at: real header blocks are a
// few kilobytes, a long Received chain some tens.
inline constexpr size_t kMaxTransportHeaderBytes = 256u << 10;
// At most this many fields are kept.
inline constexpr size_t kMaxTransportFields = 512;
// A field longer than this when unfolded is dropped.
inline constexpr size_t kMaxTransportFieldBytes = 16u << 10;
// Field names are short; longer "names" are damage.
inline constexpr size_t kMaxFieldNameBytes = 76;

struct ttransportfield {
    std::string Name;  // as written, printable ASCII without ':'
    std::string Value; // unfolded, without the leading space
};

// The fields of a header block: up to the first empty line, continuation
// lines joined to their field, lines that are no field left out.
std::vector<ttransportfield> ParseHeaderFields(std::string_view text);

// Whether the export must not copy a field of this name: MIME structure
// (MIME-Version, Content-*), or a name in `written` (lower case).
bool IsReservedField(std::string_view name, const std::set<std::string>& written);

// The lower-case names of the fields in a header block.
std::set<std::string> FieldNames(std::string_view text);

// The fields of `transport` that may go into the exported message beside
// the header block `written` the export composed: whole lines, each ended
// by CR LF, no bare CR or LF, no line longer than RFC 5322 allows, nothing
// but printable ASCII, spaces and tabs.
std::string MergedTransportFields(std::string_view transport, std::string_view written);
