#pragma once
// Little-endian 16- and 32-bit fields in byte spans, the byte order of every number in a bitmap
// file. The caller makes sure the field lies inside the span.

#include <cstddef>
#include <cstdint>
#include <span>

namespace velta::le {

/// The unsigned 16-bit field at `at`.
constexpr std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

/// The unsigned 32-bit field at `at`.
constexpr std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{u16(b, at)} | std::uint32_t{u16(b, at + 2)} << 16;
}

/// The signed (two's complement) 32-bit field at `at`.
constexpr std::int32_t i32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(u32(b, at));
}

/// Stores `v` as the 16-bit field at `at`.
constexpr void put16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

/// Stores `v` as the 32-bit field at `at`.
constexpr void put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

/// Stores `v` as the signed 32-bit field at `at`.
constexpr void putI32(std::span<std::uint8_t> b, std::size_t at, std::int32_t v) {
    put32(b, at, static_cast<std::uint32_t>(v));
}

}  // namespace velta::le
