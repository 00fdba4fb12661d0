// Which attachments an HTML body shows in place: those it names by content id
// in a cid: URL (RFC 2392, percent-encoded) or by content location as a whole
// attribute value ([MS-OXCMSG] 2.2.2.13, RFC 2557). The EML export puts them
// with the HTML in a multipart/related (RFC 2387); the window points those
// references at its own copies of the attachments.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/messaging/MessageObject.h"

// Every content id the HTML names in a cid: URL, decoded and in lower case.
std::set<std::string> CidReferences(std::string_view html);

// For each attachment, whether the HTML refers to it.
std::vector<bool> ReferencedAttachments(std::string_view html,
                                        const std::vector<const tattachment*>& attachments);

// The HTML with every cid: URL and whole content location value that names
// one of `attachments` replaced by urlOf(its index); all else unchanged.
std::string RewriteReferences(std::string_view html,
                              const std::vector<const tattachment*>& attachments,
                              const std::function<std::string(size_t)>& urlOf);
