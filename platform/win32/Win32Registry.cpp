#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include "platform/RegistryBuffers.h"

namespace fd {

namespace {

HKEY asKey(void* key) {
  return static_cast<HKEY>(key);
}

bool isRoot(RegHandle key) {
  return key >= 0x80000000 && key <= 0x80000006;
}

BYTE* bytes(std::string& buffer) {
  return reinterpret_cast<BYTE*>(buffer.data());
}

// Runs call on a handle's system key; ERROR_INVALID_HANDLE for a handle that is not open.
template <typename Call>
LONG onKey(void* systemKey, Call call) {
  HKEY opened = asKey(systemKey);
  return opened == nullptr ? ERROR_INVALID_HANDLE : call(opened);
}

}  // namespace

Win32Registry::~Win32Registry() {
  for (const auto& [handle, key] : open_) {
    RegCloseKey(asKey(key));
  }
}

void* Win32Registry::systemKey(RegHandle key) const {
  if (isRoot(key)) {
    // The predefined keys are sign-extended 32-bit values on 64-bit Windows.
    return reinterpret_cast<void*>(static_cast<ULONG_PTR>(static_cast<LONG>(key)));
  }
  auto found = open_.find(key);
  return found == open_.end() ? nullptr : found->second;
}

RegHandle Win32Registry::keep(void* systemKey) {
  while (open_.contains(next_) || next_ == 0 || isRoot(next_)) {
    ++next_;
  }
  open_[next_] = systemKey;
  return next_++;
}

template <typename Open>
long Win32Registry::openBelow(RegHandle key, RegHandle& result, Open open) {
  return onKey(systemKey(key), [&](HKEY parent) {
    HKEY opened = nullptr;
    LONG code = open(parent, opened);
    if (code == ERROR_SUCCESS) {
      result = keep(opened);
    }
    return code;
  });
}

long Win32Registry::openKey(RegHandle key, const std::string& subKey, RegHandle& result) {
  return openBelow(key, result, [&](HKEY parent, HKEY& opened) {
    return RegOpenKeyA(parent, subKey.c_str(), &opened);
  });
}

long Win32Registry::openKeyEx(RegHandle key, const std::string& subKey, std::uint32_t access,
                              RegHandle& result) {
  return openBelow(key, result, [&](HKEY parent, HKEY& opened) {
    return RegOpenKeyExA(parent, subKey.c_str(), 0, access, &opened);
  });
}

long Win32Registry::createKeyEx(RegHandle key, const std::string& subKey,
                                const std::string& className, std::uint32_t options,
                                std::uint32_t access, RegHandle& result, bool& created) {
  return openBelow(key, result, [&](HKEY parent, HKEY& opened) {
    std::string classText = className;
    DWORD disposition = 0;
    LONG code = RegCreateKeyExA(parent, subKey.c_str(), 0, classText.data(), options, access,
                                nullptr, &opened, &disposition);
    if (code == ERROR_SUCCESS) {
      created = disposition == REG_CREATED_NEW_KEY;
    }
    return code;
  });
}

long Win32Registry::queryValueEx(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                 std::string& buffer, std::uint32_t& dataSize) {
  return onKey(systemKey(key), [&](HKEY opened) {
    // The whole value is read, so that data that does not fit comes back as the shared rules say
    // (the system leaves the buffer undefined then).
    DWORD kind = 0;
    DWORD size = 0;
    LONG code = RegQueryValueExA(opened, valueName.c_str(), nullptr, &kind, nullptr, &size);
    std::string data;
    while (code == ERROR_SUCCESS) {
      data.assign(size, '\0');
      code = RegQueryValueExA(opened, valueName.c_str(), nullptr, &kind, bytes(data), &size);
      if (code == ERROR_SUCCESS) {
        data.resize(size);
        break;
      }
      // The value grew between the two reads: read it again at its new size.
      if (code == ERROR_MORE_DATA) {
        code = ERROR_SUCCESS;
      }
    }
    if (code != ERROR_SUCCESS) {
      return code;
    }
    type = kind;
    return giveData(data, buffer, dataSize);
  });
}

long Win32Registry::setValueEx(RegHandle key, const std::string& valueName, std::uint32_t type,
                               const std::string& data) {
  return onKey(systemKey(key), [&](HKEY opened) {
    return RegSetValueExA(opened, valueName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
  });
}

long Win32Registry::enumValue(RegHandle key, std::uint32_t index, std::string& name,
                              std::uint32_t& nameSize, std::uint32_t& type, std::string& data,
                              std::uint32_t& dataSize) {
  return onKey(systemKey(key), [&](HKEY opened) {
    DWORD nameRoom = bufferRoom(nameSize, name);
    DWORD dataRoom = bufferRoom(dataSize, data);
    DWORD kind = 0;
    LONG code = RegEnumValueA(opened, index, name.data(), &nameRoom, nullptr, &kind, bytes(data),
                              &dataRoom);
    if (code == ERROR_SUCCESS || code == ERROR_MORE_DATA) {
      nameSize = nameRoom;
      type = kind;
      dataSize = dataRoom;
    }
    return code;
  });
}

long Win32Registry::enumKeyEx(RegHandle key, std::uint32_t index, std::string& name,
                              std::uint32_t& nameSize, std::string& className,
                              std::uint32_t& classSize) {
  return onKey(systemKey(key), [&](HKEY opened) {
    DWORD nameRoom = bufferRoom(nameSize, name);
    DWORD classRoom = bufferRoom(classSize, className);
    LONG code = RegEnumKeyExA(opened, index, name.data(), &nameRoom, nullptr, className.data(),
                              &classRoom, nullptr);
    if (code == ERROR_SUCCESS || code == ERROR_MORE_DATA) {
      nameSize = nameRoom;
      classSize = classRoom;
    }
    return code;
  });
}

long Win32Registry::deleteValue(RegHandle key, const std::string& valueName) {
  return onKey(systemKey(key),
               [&](HKEY opened) { return RegDeleteValueA(opened, valueName.c_str()); });
}

long Win32Registry::deleteKey(RegHandle key, const std::string& subKey) {
  return onKey(systemKey(key), [&](HKEY opened) { return RegDeleteKeyA(opened, subKey.c_str()); });
}

long Win32Registry::closeKey(RegHandle key) {
  if (isRoot(key)) {
    return ERROR_SUCCESS;
  }
  auto found = open_.find(key);
  if (found == open_.end()) {
    return ERROR_INVALID_HANDLE;
  }
  LONG code = RegCloseKey(asKey(found->second));
  open_.erase(found);
  return code;
}

}  // namespace fd
