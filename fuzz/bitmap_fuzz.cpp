// Any bytes given to the bitmap reader end in an image or a refusal with a reason, never in a
// crash or a read out of bounds; an accepted image is consistent with its own header.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bitmap/reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const velta::bitmap::ReadResult r = velta::bitmap::readBitmap(std::span<const std::uint8_t>(data, size));
    if (!velta::fuzz::wellFormed(r)) std::abort();
    return 0;
}
