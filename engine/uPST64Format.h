// The PST file engine: the engine record, the block index and node tree, the
// block, B-tree, data tree and subnode layers of [MS-PST] 2.2, and the
// property and message layers built on them. Include this one header.
#pragma once

#include "engine/ApplyProperties.h"
#include "engine/BTreeWalk.h"
#include "engine/BlockCrypt.h"
#include "engine/BlockIndex.h"
#include "engine/BlockRead.h"
#include "engine/BuildMessage.h"
#include "engine/Context.h"
#include "engine/Crc.h"
#include "engine/DataTree.h"
#include "engine/FileTime.h"
#include "engine/FormatOffsets.h"
#include "engine/Heap.h"
#include "engine/ItemKind.h"
#include "engine/Limits.h"
#include "engine/MessageObject.h"
#include "engine/NamedPropertyMap.h"
#include "engine/NodeTree.h"
#include "engine/PropValue.h"
#include "engine/PstFile.h"
#include "engine/StoreNode.h"
#include "engine/SubnodeTree.h"
#include "engine/TagTable.h"
#include "engine/ValueDecoder.h"
