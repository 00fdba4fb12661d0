// Reading the whole data stored under a block: an external block as it is
// (decoded), or the data blocks an XBLOCK lists ([MS-PST] 2.2.2.8.3.2),
// concatenated. Other internal blocks, XXBLOCKs included, come back as stored.
#pragma once

#include <cstdint>

#include "engine/ndb/PstFile.h"

// The data as one buffer (`data` is replaced); its length, 0 meaning failure.
int32_t ReadDataTree(tpstfile* file, tblockentry* block, tbuffer& data);
