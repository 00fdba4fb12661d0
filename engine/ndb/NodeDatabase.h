// The node database layer of [MS-PST] 2.2: the file header (2.2.2.6), blocks
// and their encodings (2.2.2.8, 5.1-5.3), the node and block B-trees
// (2.2.2.7) and the data and subnode trees (2.2.2.8.3). Everything above reads
// the file through these operations. The 4 KiB layout of current Outlook's
// OST files, which [MS-PST] leaves out, is read by the same operations.
#pragma once

#include "engine/ndb/BTreeWalk.h"
#include "engine/ndb/BlockCrypt.h"
#include "engine/ndb/BlockIndex.h"
#include "engine/ndb/BlockInflate.h"
#include "engine/ndb/BlockRead.h"
#include "engine/ndb/Crc.h"
#include "engine/ndb/DataTree.h"
#include "engine/ndb/FormatOffsets.h"
#include "engine/ndb/NodeTree.h"
#include "engine/ndb/PstFile.h"
#include "engine/ndb/SubnodeTree.h"
