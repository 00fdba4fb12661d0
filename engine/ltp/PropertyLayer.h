// The lists, tables and properties layer of [MS-PST] 2.3 and the name-to-ID
// map of 2.4.7: heap-on-node and BTH (2.3.1, 2.3.2), property contexts
// (2.3.3), table contexts (2.3.4) and the decoded values they give.
#pragma once

#include "engine/ltp/Context.h"
#include "engine/ltp/Heap.h"
#include "engine/ltp/NamedPropertyMap.h"
#include "engine/ltp/PropValue.h"
#include "engine/ltp/ValueDecoder.h"
