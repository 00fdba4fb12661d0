// The pictures an item's HTML body shows in place: the attachments it names
// by cid: (RFC 2392) or content location ([MS-OXCMSG] 2.2.2.13), handed to
// the view with their MIME types, and the body with those references pointed
// at the view's own copies. Nothing is fetched from anywhere else.
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

class TWebBrowser;

// The body to show: `body` with the references rewritten. The view serves the
// parts with the next document it is given.
std::string WithInlinePictures(TWebBrowser& view, const tpstmessage& item, const std::string& body);
