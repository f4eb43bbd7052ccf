#pragma once
// Helpers for the bitmap tests: small bitmaps built in memory and a scratch directory.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "util/little_endian.h"

namespace velta::bitmap::testing {

/// The fields of a bitmap to build; the defaults give a plain 256-colour file.
struct BmpSpec {
    std::int32_t width = 6;
    std::int32_t height = 5;            // negative: top-down rows
    std::uint32_t infoSize = 40;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;          // 0 means 256 entries
    std::uint32_t gap = 0;              // bytes between palette and pixels
    std::size_t trailing = 0;           // bytes after the last row
    char sig0 = 'B', sig1 = 'M';
};

/// An asymmetric picture: no two rows or columns alike, so flips and shifts show.
inline std::uint8_t pixelAt(int x, int yTop) {
    return static_cast<std::uint8_t>((x * 7 + yTop * 31 + 1) % 251);
}

/// Palette entry k: blue k, green 255 - k, red k / 2, reserved 0.
inline std::vector<std::uint8_t> paletteOf(std::uint32_t entries) {
    std::vector<std::uint8_t> p(4 * std::size_t{entries});
    for (std::size_t k = 0; k < entries; ++k) {
        p[4 * k] = static_cast<std::uint8_t>(k);
        p[4 * k + 1] = static_cast<std::uint8_t>(255 - k);
        p[4 * k + 2] = static_cast<std::uint8_t>(k / 2);
    }
    return p;
}

/// The bytes of a bitmap file built from `shape`, pixels from pixelAt, padding bytes 0xEE.
inline std::vector<std::uint8_t> makeBmp(const BmpSpec& shape) {
    const std::uint32_t entries = shape.clrUsed == 0 ? 256 : shape.clrUsed;
    const std::size_t w = static_cast<std::size_t>(shape.width < 0 ? -shape.width : shape.width);
    const std::size_t h = static_cast<std::size_t>(shape.height < 0 ? -shape.height : shape.height);
    const std::size_t stride = (w + 3) / 4 * 4;
    const std::size_t offset = 14 + shape.infoSize + 4 * std::size_t{entries} + shape.gap;
    std::vector<std::uint8_t> b(offset + h * stride + shape.trailing, 0);
    b.at(0) = static_cast<std::uint8_t>(shape.sig0);
    b.at(1) = static_cast<std::uint8_t>(shape.sig1);
    le::put32(b, 2, static_cast<std::uint32_t>(b.size()));
    le::put32(b, 10, static_cast<std::uint32_t>(offset));
    le::put32(b, 14, shape.infoSize);
    le::putI32(b, 18, shape.width);
    le::putI32(b, 22, shape.height);
    b[26] = 1;
    le::put16(b, 28, shape.bitCount);
    le::put32(b, 30, shape.compression);
    le::put32(b, 34, static_cast<std::uint32_t>(h * stride));
    le::put32(b, 38, 2835);
    le::put32(b, 42, 2835);
    le::put32(b, 46, shape.clrUsed);
    const auto pal = paletteOf(entries);
    std::copy(pal.begin(), pal.end(), b.begin() + static_cast<std::ptrdiff_t>(14 + shape.infoSize));
    for (std::size_t i = 0; i < h; ++i) {
        const std::size_t yTop = shape.height < 0 ? i : h - 1 - i;
        for (std::size_t x = 0; x < stride; ++x)
            b[offset + i * stride + x] =
                x < w ? pixelAt(static_cast<int>(x), static_cast<int>(yTop)) : 0xEE;
    }
    for (std::size_t k = offset + h * stride; k < b.size(); ++k) b[k] = 0x5A;
    return b;
}

/// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string("velta-bitmap-") + (info ? info->name() : "x") + "-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(counter++);
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

/// Writes `bytes` to `path`.
inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// The whole content of the file at `path`.
inline std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace velta::bitmap::testing
