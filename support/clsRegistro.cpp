#include "support/clsRegistro.h"

#include <cstdio>

#include "platform/AnsiCodec.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace fd {

namespace {

RegHandle rootKey(std::int32_t hive) {
  return hive == 0 ? reg::kLocalMachine : static_cast<RegHandle>(hive);
}

// The DWORD of the first four bytes of a buffer, least significant first.
std::uint32_t firstDword(const std::string& buffer) {
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) {
    const unsigned char byte =
        static_cast<size_t>(i) < buffer.size() ? static_cast<unsigned char>(buffer[i]) : 0;
    number = (number << 8) | byte;
  }
  return number;
}

// A 32-bit number from decimal text or "&H" hexadecimal text; nothing when it is not one.
bool parseNumber(const std::string& text, std::uint32_t& number) {
  std::string digits = trimSpaces(text);
  int base = 10;
  bool negative = false;
  if (digits.size() > 2 && digits[0] == '&' && (digits[1] == 'H' || digits[1] == 'h')) {
    base = 16;
    digits.erase(0, 2);
    if (digits.ends_with('&')) {
      digits.pop_back();
    }
  } else if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.erase(0, 1);
  }
  const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos) {
    return false;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) {
      return false;
    }
  }
  if (negative && value > 0x80000000ull) {
    return false;
  }
  number = static_cast<std::uint32_t>(negative ? 0x100000000ull - value : value);
  return true;
}

std::string beforeNul(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

// A buffer the registry writes into, with the size it gives back.
struct Buffer {
  explicit Buffer(char fill = ' ') : bytes(clsRegistro::kBufferSize, fill) {}
  // What the registry gave back, as UTF-8.
  std::string text() const { return ansiToUtf8(bytes.substr(0, size)); }

  std::string bytes;
  std::uint32_t size = clsRegistro::kBufferSize;
};

// Closes a key on every way out.
class OpenKey {
 public:
  explicit OpenKey(Registry& registry) : registry_(registry) {}
  ~OpenKey() {
    if (open_) {
      registry_.closeKey(handle_);
    }
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  bool accept(long code) { return open_ = code == reg::kSuccess; }
  RegHandle& handle() { return handle_; }

 private:
  Registry& registry_;
  RegHandle handle_ = 0;
  bool open_ = false;
};

}  // namespace

RegVariant RegVariant::list(std::vector<RegVariant> items, int lowerBound) {
  RegVariant variant;
  variant.value_ = List{std::move(items), lowerBound};
  return variant;
}

std::string RegVariant::text() const {
  const std::string* text = std::get_if<std::string>(&value_);
  return text != nullptr ? *text : std::string();
}

const std::vector<RegVariant>& RegVariant::items() const {
  static const std::vector<RegVariant> kNone;
  const List* list = std::get_if<List>(&value_);
  return list != nullptr ? list->items : kNone;
}

int RegVariant::lowerBound() const {
  const List* list = std::get_if<List>(&value_);
  return list != nullptr ? list->lowerBound : 0;
}

const RegVariant& RegVariant::item(int index) const {
  return items().at(static_cast<size_t>(index - lowerBound()));
}

std::string dwordText(std::uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%X", number);
  return std::string("&H") + digits;
}

std::string registryTypeName(std::uint32_t type) {
  static const char* const kNames[] = {"REG_NONE",   "REG_SZ",       "REG_EXPAND_SZ",
                                       "REG_BINARY", "REG_DWORD",    "REG_DWORD_BIG_ENDIAN",
                                       "REG_LINK",   "REG_MULTI_SZ", "REG_RESOURCE_LIST"};
  return type < std::size(kNames) ? kNames[type] : "UNKNOWN_TYPE";
}

clsRegistro::clsRegistro(Registry& registry) : registry_(registry) {}

RegVariant clsRegistro::EnumerateRegistryValues(std::string xi_strSubKey,
                                                std::int32_t xi_lngRegistryHive) {
  const auto value = [&](RegHandle key, std::uint32_t index) -> std::optional<RegVariant> {
    Buffer name;
    Buffer data;
    std::uint32_t type = 0;
    if (registry_.enumValue(key, index, name.bytes, name.size, type, data.bytes, data.size) !=
        reg::kSuccess) {
      return std::nullopt;
    }
    // The data is cut to the length given back before its first NUL, since data written
    // without a NUL would otherwise run on into the buffer's filling.
    const std::string text =
        type == reg::kDword ? dwordText(firstDword(data.bytes)) : beforeNul(data.text());
    return RegVariant::list({name.text(), text, registryTypeName(type)}, 0);
  };
  return enumerate(xi_strSubKey, xi_lngRegistryHive, reg::kRead, value);
}

RegVariant clsRegistro::EnumerateRegistryKeys(std::string xi_strSubKey,
                                              std::int32_t xi_lngRegistryHive) {
  const auto subKey = [&](RegHandle key, std::uint32_t index) -> std::optional<RegVariant> {
    Buffer name;
    Buffer className;
    if (registry_.enumKeyEx(key, index, name.bytes, name.size, className.bytes, className.size) !=
        reg::kSuccess) {
      return std::nullopt;
    }
    return RegVariant::list({name.text(), className.text()}, 0);
  };
  return enumerate(xi_strSubKey, xi_lngRegistryHive, reg::kEnumerateSubKeys, subKey);
}

RegVariant clsRegistro::enumerate(
    const std::string& subKey, std::int32_t hive, std::uint32_t access,
    const std::function<std::optional<RegVariant>(RegHandle, std::uint32_t)>& entry) {
  OpenKey key(registry_);
  if (!key.accept(registry_.openKeyEx(rootKey(hive), utf8ToAnsi(subKey), access, key.handle()))) {
    return {};
  }
  std::vector<RegVariant> entries;
  for (std::uint32_t index = 0;; ++index) {
    std::optional<RegVariant> each = entry(key.handle(), index);
    if (!each) {
      break;
    }
    entries.push_back(std::move(*each));
  }
  return RegVariant::list(std::move(entries), 1);
}

bool clsRegistro::DeleteRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                                      std::int32_t xi_lngRegistryHive) {
  OpenKey key(registry_);
  if (!key.accept(registry_.openKeyEx(rootKey(xi_lngRegistryHive), utf8ToAnsi(xi_strSubKey),
                                      reg::kAllAccess, key.handle()))) {
    return false;
  }
  return registry_.deleteValue(key.handle(), utf8ToAnsi(xi_strValueName)) == reg::kSuccess;
}

bool clsRegistro::DeleteRegistryKey(std::string xi_strSubKey, std::int32_t xi_lngRegistryHive) {
  const size_t last = xi_strSubKey.rfind('\\');
  if (trimSpaces(xi_strSubKey).empty() || last == std::string::npos) {
    return false;
  }
  OpenKey parent(registry_);
  if (!parent.accept(registry_.openKeyEx(rootKey(xi_lngRegistryHive),
                                         utf8ToAnsi(xi_strSubKey.substr(0, last)), reg::kAllAccess,
                                         parent.handle()))) {
    return false;
  }
  return registry_.deleteKey(parent.handle(), utf8ToAnsi(xi_strSubKey.substr(last + 1))) ==
         reg::kSuccess;
}

void clsRegistro::SetRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                                   std::string xi_strValue, std::int32_t xi_lngRegistryHive,
                                   std::int32_t xi_lngValueType) {
  const std::uint32_t type = xi_lngValueType == 0 ? reg::kSz : xi_lngValueType;
  OpenKey key(registry_);
  bool created = false;
  if (!key.accept(registry_.createKeyEx(rootKey(xi_lngRegistryHive), utf8ToAnsi(xi_strSubKey), "1",
                                        reg::kOptionNonVolatile, reg::kSetValue, key.handle(),
                                        created))) {
    return;
  }
  if (type == reg::kSz) {
    // The length is the text's, without a terminating NUL.
    registry_.setValueEx(key.handle(), utf8ToAnsi(xi_strValueName), reg::kSz,
                         utf8ToAnsi(xi_strValue));
  } else if (type == reg::kDword) {
    // A text that is no number fails to convert and leaves the number at 0, which is written.
    std::uint32_t number = 0;
    parseNumber(xi_strValue, number);
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
      bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    registry_.setValueEx(key.handle(), utf8ToAnsi(xi_strValueName), reg::kDword, bytes);
  }
}

RegVariant clsRegistro::GetRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                                         std::int32_t xi_lngRegistryHive) {
  Buffer buffer('\0');
  std::uint32_t type = 0;
  {
    OpenKey key(registry_);
    if (!key.accept(registry_.openKey(rootKey(xi_lngRegistryHive), utf8ToAnsi(xi_strSubKey),
                                      key.handle()))) {
      return {};
    }
    // A missing value leaves the buffer as it was filled, which gives the empty string.
    registry_.queryValueEx(key.handle(), utf8ToAnsi(xi_strValueName), type, buffer.bytes,
                           buffer.size);
  }
  if (type == reg::kDword) {
    return dwordText(firstDword(buffer.bytes));
  }
  if (buffer.bytes.find('\0') == std::string::npos) {
    return {};
  }
  return ansiToUtf8(beforeNul(buffer.bytes));
}

}  // namespace fd
