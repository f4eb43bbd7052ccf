#pragma once
// A colour picture in memory: 32-bit pixels 0xAARRGGBB (the alpha byte is never read), rows
// from the top. Copies share the pixels: a decoded photograph is held once, by whatever shows
// it and whatever rectifies it, and lives as long as any copy does.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velta {

struct Picture {
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;          // pixels from the start of one row to the next
    std::uint32_t* pixels = nullptr;    // the top row's first pixel
    std::shared_ptr<void> owner;        // keeps the pixels alive (a decoder's image, or ours)

    bool empty() const { return pixels == nullptr || width < 1 || height < 1; }
    const std::uint32_t* row(int r) const { return pixels + static_cast<std::ptrdiff_t>(r) * stride; }
    std::uint32_t* row(int r) { return pixels + static_cast<std::ptrdiff_t>(r) * stride; }

    /// A black picture of `width` x `height` owned by the program; empty when a side is below 1
    /// or the memory cannot be had.
    static Picture allocate(int width, int height);
};

}  // namespace velta
