#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Registry.h"

namespace fd {

// What the registry operations give back: empty, a string, or a list of such values whose first
// index is lowerBound(). Empty is not the empty string.
class RegVariant {
 public:
  RegVariant() = default;
  RegVariant(std::string text) : value_(std::move(text)) {}    // NOLINT: a string is a variant
  RegVariant(const char* text) : value_(std::string(text)) {}  // NOLINT
  static RegVariant list(std::vector<RegVariant> items, int lowerBound);

  bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  bool isString() const { return std::holds_alternative<std::string>(value_); }
  bool isList() const { return std::holds_alternative<List>(value_); }

  // The text of a string ("" for anything else).
  std::string text() const;
  // The elements of a list (none for anything else).
  const std::vector<RegVariant>& items() const;
  int lowerBound() const;
  // The element at index, counted from lowerBound().
  const RegVariant& item(int index) const;

  friend bool operator==(const RegVariant&, const RegVariant&) = default;

 private:
  struct List {
    std::vector<RegVariant> items;
    int lowerBound = 0;
    friend bool operator==(const List&, const List&) = default;
  };
  std::variant<std::monostate, std::string, List> value_;
};

// The registry operations the updater's platform offers: reading, writing and deleting values,
// deleting keys, listing sub-keys and values. Every operation opens the key it needs and closes
// it again; failures show only in the results, nothing is thrown. Texts are UTF-8 here and ANSI
// in the registry.
class clsRegistro {
 public:
  explicit clsRegistro(Registry& registry);

  // List from 1 of (name, data, type name) lists from 0; empty when the key cannot be opened.
  RegVariant EnumerateRegistryValues(std::string xi_strSubKey, std::int32_t xi_lngRegistryHive = 0);
  // List from 1 of (name, class) lists from 0; empty when the key cannot be opened.
  RegVariant EnumerateRegistryKeys(std::string xi_strSubKey, std::int32_t xi_lngRegistryHive = 0);
  bool DeleteRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                           std::int32_t xi_lngRegistryHive = 0);
  // Refuses a path without "\" (a key right below the root) or made of spaces only.
  bool DeleteRegistryKey(std::string xi_strSubKey, std::int32_t xi_lngRegistryHive = 0);
  // Writes REG_SZ (type 0 or 1) or REG_DWORD (4, from decimal or "&H" text); other types write
  // nothing. Creates the key when it is missing.
  void SetRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                        std::string xi_strValue, std::int32_t xi_lngRegistryHive = 0,
                        std::int32_t xi_lngValueType = 0);
  // The value as text (a DWORD as "&H..."); "" when the value is missing; empty when the key
  // cannot be opened or the value fills the whole buffer.
  RegVariant GetRegistryValue(std::string xi_strSubKey, std::string xi_strValueName,
                              std::int32_t xi_lngRegistryHive = 0);

  static constexpr std::uint32_t kBufferSize = 260;

 private:
  // List from 1 of what entry gives for each index from 0 until it gives nothing; empty when
  // the key cannot be opened with access.
  RegVariant enumerate(
      const std::string& subKey, std::int32_t hive, std::uint32_t access,
      const std::function<std::optional<RegVariant>(RegHandle, std::uint32_t)>& entry);

  Registry& registry_;
};

// "&H" and the upper-case hexadecimal digits of a DWORD, without leading zeros.
std::string dwordText(std::uint32_t number);
// The name of a registry value type ("REG_SZ" ...; "UNKNOWN_TYPE" for codes past 8).
std::string registryTypeName(std::uint32_t type);

}  // namespace fd
