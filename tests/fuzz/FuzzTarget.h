// The entry point every fuzz target defines; libFuzzer calls it, and so does
// the replay program that runs a target over its corpus folders.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
