#pragma once

#include <map>

#include "platform/Registry.h"

namespace fd {

// The registry of Windows through its ANSI functions. A handle given to the caller is a small
// number standing for the system's key handle (which is pointer-sized); the predefined root
// keys keep their own values. A value whose data does not fit gives reg::kMoreData with as much
// of the data as fits in the buffer, as the interface promises (the system leaves it undefined).
class Win32Registry : public Registry {
 public:
  Win32Registry() = default;
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  long openKey(RegHandle key, const std::string& subKey, RegHandle& result) override;
  long openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                 RegHandle& result) override;
  long createKeyEx(RegHandle key, const std::string& subKey, const std::string& className,
                   std::uint32_t options, std::uint32_t access, RegHandle& result,
                   bool& created) override;
  long queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                    std::string& buffer, std::uint32_t& dataSize) override;
  long setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                  const std::string& data) override;
  long enumValue(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& nameSize,
                 std::uint32_t& type, std::string& data, std::uint32_t& dataSize) override;
  long enumKeyEx(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& nameSize,
                 std::string& className, std::uint32_t& classSize) override;
  long deleteValue(RegHandle key, const std::string& valueName) override;
  long deleteKey(RegHandle key, const std::string& subKey) override;
  long closeKey(RegHandle key) override;

 private:
  // The system's key for a handle; nullptr for one that is not open.
  void* systemKey(RegHandle key) const;
  RegHandle keep(void* systemKey);
  // Opens a key below a handle's through open (given the system's key of the handle and where to
  // put the key it opens), and keeps the opened key as result.
  template <typename Open>
  long openBelow(RegHandle key, RegHandle& result, Open open);

  std::map<RegHandle, void*> open_;
  RegHandle next_ = 1;
};

}  // namespace fd
