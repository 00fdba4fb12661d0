// The [MS-PST] 5.3 CRC: reflected polynomial 0xEDB88320, started at 0, not inverted.
#pragma once

#include <cstdint>

// 0 for a null buffer or a count of 0 or less.
uint32_t ComputeCrc(int32_t count, const uint8_t* buffer);
