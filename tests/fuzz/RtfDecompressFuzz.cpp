// Fuzz target: arbitrary bytes as a PidTagRtfCompressed value
// ([MS-OXRTFCP] 2.1.3). The output never exceeds RAWSIZE nor kMaxRtfBytes.
#include <cstdlib>

#include "body/BodyLimits.h"
#include "body/RtfDecompress.h"
#include "tests/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ostrel::body;
    trtfdecompressed r = DecompressRtf({data, size});
    if (r.Rtf.size() > r.RawSize || r.Rtf.size() > kMaxRtfBytes) std::abort();
    return 0;
}
