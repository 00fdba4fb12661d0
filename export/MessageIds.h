// Message identifiers as RFC 5322 3.6.4 writes them ("<id-left@id-right>"),
// for Message-ID, In-Reply-To and References: the stored values are
// untrusted text, and a reader that meets a malformed identifier reports
// the whole field as broken.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Whether `token` is one msg-id: "<" dot-atom-text "@" (dot-atom-text or
// "[" dtext "]") ">".
bool IsMsgId(std::string_view token);

// The identifiers of a field value, split at white space. A lone token
// without its angle brackets gets them. Tokens that are no msg-id are left
// out; so is everything when the value holds more than `most` tokens.
std::vector<std::string> MsgIdTokens(std::string_view value, size_t most);
