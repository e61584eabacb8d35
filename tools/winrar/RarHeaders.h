#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fd {

enum class RarFormat { None, Rar4, Rar5 };

// Where a RAR signature starts in the first megabyte of a file (self-extracting archives carry a
// program before it), and of which format.
struct RarSignature {
  RarFormat format = RarFormat::None;
  std::uint64_t offset = 0;
};
RarSignature findRarSignature(const std::filesystem::path& archive);

// What a file header says about one entry, as far as the extractor must check it itself:
// libarchive 3.6.2 does not report encrypted RAR 5 data and checks the CRC32 of no stored data.
struct RarEntry {
  std::string name;
  // RAR 4 keeps Unicode names in an encoding of its own; only plain names are compared.
  bool nameComparable = true;
  bool directory = false;
  bool encrypted = false;
  bool continuesFromPreviousVolume = false;
  bool continuesInNextVolume = false;
  // The data area ends inside the file.
  bool dataComplete = true;
  std::optional<std::uint32_t> crc;
};

// The file headers of a RAR 4 or RAR 5.0 archive in their order. problem is empty when every
// header's CRC was right and the end of the archive was reached; otherwise it says why the walk
// stopped, and files holds the entries before that point.
struct RarHeaders {
  std::vector<RarEntry> files;
  bool headersEncrypted = false;
  std::string problem;
};
RarHeaders readRarHeaders(const std::filesystem::path& archive, const RarSignature& signature);

}  // namespace fd
