// The messaging layer of [MS-PST] 2.4: one node (folder, message of any kind,
// message store) built into an in-memory message object from its property
// context, recipient and attachment tables and subnodes, and released again.
#pragma once

#include "engine/messaging/ApplyProperties.h"
#include "engine/messaging/BuildMessage.h"
#include "engine/messaging/EmbeddedMessage.h"
#include "engine/messaging/FieldStore.h"
#include "engine/messaging/FileTime.h"
#include "engine/messaging/ItemKind.h"
#include "engine/messaging/KindProbe.h"
#include "engine/messaging/MessageObject.h"
#include "engine/messaging/StoreNode.h"
#include "engine/messaging/Subject.h"
#include "engine/messaging/TagTable.h"
