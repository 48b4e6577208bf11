// Bounds-checked reading of a file's bytes, for the small readers of picture headers and chunk
// layouts: every read outside the bytes yields nullopt instead of touching memory beyond them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace leafmargin {

struct ByteView {
  const unsigned char* data = nullptr;
  std::size_t size = 0;

  bool has(std::size_t offset, std::size_t count) const {
    return offset <= size && count <= size - offset;
  }
  bool startsWith(std::string_view text, std::size_t offset = 0) const {
    if (!has(offset, text.size())) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (data[offset + i] != static_cast<unsigned char>(text[i])) return false;
    return true;
  }
  // Unsigned integer of `count` bytes (at most 4) at offset, big or little endian.
  std::optional<std::uint32_t> uint(std::size_t offset, std::size_t count, bool bigEndian) const {
    if (count > 4 || !has(offset, count)) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = bigEndian ? offset + i : offset + count - 1 - i;
      value = value << 8 | data[at];
    }
    return value;
  }
  std::optional<std::uint32_t> be16(std::size_t offset) const { return uint(offset, 2, true); }
  std::optional<std::uint32_t> be32(std::size_t offset) const { return uint(offset, 4, true); }
};

}  // namespace leafmargin
