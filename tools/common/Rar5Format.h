#pragma once

#include <cstdint>
#include <string_view>

// Constants of the published RAR 5.0 archive format, shared by the writer and the extractor's
// header walker.
namespace fd::rar5 {

inline constexpr std::string_view kSignature{"Rar!\x1A\x07\x01\x00", 8};
inline constexpr std::string_view kSignatureRar4{"Rar!\x1A\x07\x00", 7};

// Header types.
inline constexpr std::uint64_t kMainHeader = 1;
inline constexpr std::uint64_t kFileHeader = 2;
inline constexpr std::uint64_t kServiceHeader = 3;
inline constexpr std::uint64_t kEncryptionHeader = 4;
inline constexpr std::uint64_t kEndHeader = 5;

// Flags common to every header.
inline constexpr std::uint64_t kHasExtraArea = 0x0001;
inline constexpr std::uint64_t kHasDataArea = 0x0002;
inline constexpr std::uint64_t kDataFromPreviousVolume = 0x0008;
inline constexpr std::uint64_t kDataInNextVolume = 0x0010;

// Main header archive flags.
inline constexpr std::uint64_t kArchiveIsVolume = 0x0001;
inline constexpr std::uint64_t kArchiveHasVolumeNumber = 0x0002;

// End of archive flags.
inline constexpr std::uint64_t kNotLastVolume = 0x0001;

// File header flags.
inline constexpr std::uint64_t kFileIsDirectory = 0x0001;
inline constexpr std::uint64_t kFileHasUnixTime = 0x0002;
inline constexpr std::uint64_t kFileHasCrc32 = 0x0004;
inline constexpr std::uint64_t kFileUnpackedSizeUnknown = 0x0008;

// File header compression information: the data continues the stream of the file before it.
inline constexpr std::uint64_t kCompressionSolid = 0x0040;

// File header extra area record types.
inline constexpr std::uint64_t kExtraEncryption = 0x01;
inline constexpr std::uint64_t kExtraRedirection = 0x05;

// Redirection types: a hard link and a file copy refer to an earlier entry holding the same data.
inline constexpr std::uint64_t kRedirectionHardLink = 0x04;
inline constexpr std::uint64_t kRedirectionFileCopy = 0x05;

// Host operating systems and the Windows attributes the writer records.
inline constexpr std::uint64_t kHostWindows = 0;
inline constexpr std::uint64_t kAttributeDirectory = 0x10;
inline constexpr std::uint64_t kAttributeArchive = 0x20;

}  // namespace fd::rar5
