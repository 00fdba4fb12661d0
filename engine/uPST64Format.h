// The PST file engine, in the three layers of [MS-PST]: the node database
// (engine/ndb, 2.2), lists, tables and properties (engine/ltp, 2.3) and
// messaging (engine/messaging, 2.4). Each layer reads only the ones below it.
// Include this one header.
#pragma once

#include "engine/Limits.h"
#include "engine/ltp/PropertyLayer.h"
#include "engine/messaging/Messaging.h"
#include "engine/ndb/NodeDatabase.h"
