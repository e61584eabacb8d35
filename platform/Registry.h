#pragma once

#include <cstdint>
#include <string>

namespace fd {

// A registry key handle: one of the predefined root keys or a handle given by an open or create.
using RegHandle = std::uint32_t;

namespace reg {
// Predefined root keys.
constexpr RegHandle kClassesRoot = 0x80000000;
constexpr RegHandle kCurrentUser = 0x80000001;
constexpr RegHandle kLocalMachine = 0x80000002;
constexpr RegHandle kUsers = 0x80000003;
constexpr RegHandle kCurrentConfig = 0x80000005;

// Result codes.
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kInvalidHandle = 6;
constexpr long kInvalidParameter = 87;
constexpr long kMoreData = 234;
constexpr long kNoMoreItems = 259;
constexpr long kIoFailed = 1016;
constexpr long kKeyDeleted = 1018;

// Value types.
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kDwordBigEndian = 5;
constexpr std::uint32_t kLink = 6;
constexpr std::uint32_t kMultiSz = 7;
constexpr std::uint32_t kResourceList = 8;

// Access rights.
constexpr std::uint32_t kQueryValue = 0x1;
constexpr std::uint32_t kSetValue = 0x2;
constexpr std::uint32_t kCreateSubKey = 0x4;
constexpr std::uint32_t kEnumerateSubKeys = 0x8;
constexpr std::uint32_t kRead = 0x20019;
constexpr std::uint32_t kAllAccess = 0xF003F;

constexpr std::uint32_t kOptionNonVolatile = 0;
}  // namespace reg

// The platform's ANSI registry functions (RegOpenKeyA, RegOpenKeyExA, RegCreateKeyExA,
// RegQueryValueExA, RegSetValueExA, RegEnumValueA, RegEnumKeyExA, RegDeleteValueA, RegDeleteKeyA,
// RegCloseKey), each returning a reg:: result code. Names and string data are ANSI bytes
// (Windows-1252 on POSIX); key paths separate their parts with "\"; names compare without
// regard to letter case.
//
// Buffers work as the platform's do: the caller passes a buffer and its room in a size
// argument. A value's data that does not fit gives kMoreData with the size needed, and the
// buffer holds as much of the data as fits. Names are written followed by a NUL when there is
// room for it; their size comes back without the NUL, and a name that needs the whole room or
// more gives kMoreData.
class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyA: opens with every right.
  virtual long openKey(RegHandle key, const std::string& subKey, RegHandle& result) = 0;
  // RegOpenKeyExA: opens with the rights of access (reg::kRead, reg::kAllAccess ...).
  virtual long openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                         RegHandle& result) = 0;
  // RegCreateKeyExA: opens the key, creating it and its missing parents; created tells which.
  virtual long createKeyEx(RegHandle key, const std::string& subKey, const std::string& className,
                           std::uint32_t options, std::uint32_t access, RegHandle& result,
                           bool& created) = 0;
  // RegQueryValueExA: dataSize is the room in buffer on entry (at most buffer.size()) and the
  // data's length on return. A missing value leaves type and buffer untouched.
  virtual long queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                            std::string& buffer, std::uint32_t& dataSize) = 0;
  // RegSetValueExA: data holds the bytes to store, its length is the data length.
  virtual long setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                          const std::string& data) = 0;
  // RegEnumValueA: the value at index (in the key's order); reg::kNoMoreItems past the end.
  virtual long enumValue(RegHandle key, std::uint32_t index, std::string& name,
                         std::uint32_t& nameSize, std::uint32_t& type, std::string& data,
                         std::uint32_t& dataSize) = 0;
  // RegEnumKeyExA: the sub-key at index, sorted without regard to letter case; its class name.
  virtual long enumKeyEx(RegHandle key, std::uint32_t index, std::string& name,
                         std::uint32_t& nameSize, std::string& className,
                         std::uint32_t& classSize) = 0;
  virtual long deleteValue(RegHandle key, const std::string& valueName) = 0;
  // RegDeleteKeyA: a key that has sub-keys is refused (reg::kAccessDenied).
  virtual long deleteKey(RegHandle key, const std::string& subKey) = 0;
  virtual long closeKey(RegHandle key) = 0;
};

}  // namespace fd
