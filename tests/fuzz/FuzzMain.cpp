// libFuzzer's entry for one harness, chosen at build time by ORVANE_FUZZ_HARNESS.

#include <cstddef>
#include <cstdint>

#include "FuzzHarnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return ORVANE_FUZZ_HARNESS(data, size); }
