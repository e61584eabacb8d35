#pragma once

#include <cstddef>
#include <cstdint>

namespace fd {

// The CRC32 of RAR 5.0 (and zip): polynomial 0xEDB88320, initial and final value 0xFFFFFFFF.
// Feed pieces through update() with the running value, starting from 0.
class Crc32 {
 public:
  static std::uint32_t update(std::uint32_t crc, const void* data, std::size_t size);
  static std::uint32_t of(const void* data, std::size_t size) { return update(0, data, size); }
};

}  // namespace fd
