// A bitmap file, the way a user hands one to the program: any bytes written to a file and read
// from there end in an image or a refusal with a reason, and in the same image or the same
// refusal as those bytes read from memory. The file reader fetches the header, the palette and
// each row at its own offset, so a short file or a row past its end is met there first.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "bitmap/reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const velta::fuzz::ScratchDir dir("velta-bitmap-file-fuzz");
    static const std::string path = dir.file("input.bmp");
    velta::fuzz::writeFile(path, data, size);

    const velta::bitmap::ReadResult fromFile = velta::bitmap::readBitmapFile(path);
    if (!velta::fuzz::wellFormed(fromFile)) std::abort();
    const velta::bitmap::ReadResult fromMemory = velta::bitmap::readBitmap(std::span<const std::uint8_t>(data, size));
    if (fromFile.ok != fromMemory.ok || fromFile.error != fromMemory.error) std::abort();
    if (fromFile.ok && !velta::fuzz::sameImage(fromFile.image, fromMemory.image)) std::abort();
    return 0;
}
