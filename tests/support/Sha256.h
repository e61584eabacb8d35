#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace fd {

// The SHA-256 of bytes, as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);
// The SHA-256 of a file's bytes; throws std::runtime_error when it cannot be read.
std::string sha256HexOfFile(const std::filesystem::path& file);

}  // namespace fd
