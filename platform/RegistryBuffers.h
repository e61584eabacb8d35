#pragma once

#include <cstdint>
#include <string>

namespace fd {

// The buffer rules of the registry functions (Registry.h), shared by every registry so that they
// give names and data back alike: the caller's room is the size it passes, but never more than
// its buffer holds.
std::uint32_t bufferRoom(std::uint32_t size, const std::string& buffer);

// A name as RegEnumValueA and RegEnumKeyExA give it: followed by a NUL, its size without the
// NUL; reg::kMoreData, and nothing written, when it needs the whole room or more.
long giveName(const std::string& name, std::string& buffer, std::uint32_t& size);

// A value's data as RegQueryValueExA and RegEnumValueA give it: as much as fits, with the whole
// size and reg::kMoreData when it does not fit.
long giveData(const std::string& data, std::string& buffer, std::uint32_t& size);

}  // namespace fd
