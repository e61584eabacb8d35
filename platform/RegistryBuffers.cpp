#include "platform/RegistryBuffers.h"

#include <algorithm>

#include "platform/Registry.h"

namespace fd {

namespace {

// Copies text into a caller's buffer, with a NUL behind it when there is room.
void fill(std::string& buffer, std::uint32_t room, const std::string& text, bool terminate) {
  const std::size_t limit = bufferRoom(room, buffer);
  const std::size_t count = std::min(limit, text.size());
  std::copy_n(text.begin(), count, buffer.begin());
  if (terminate && count < limit) {
    buffer[count] = '\0';
  }
}

}  // namespace

std::uint32_t bufferRoom(std::uint32_t size, const std::string& buffer) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(size, buffer.size()));
}

long giveName(const std::string& name, std::string& buffer, std::uint32_t& size) {
  if (name.size() + 1 > bufferRoom(size, buffer)) {
    return reg::kMoreData;
  }
  fill(buffer, size, name, true);
  size = static_cast<std::uint32_t>(name.size());
  return reg::kSuccess;
}

long giveData(const std::string& data, std::string& buffer, std::uint32_t& size) {
  const bool fits = data.size() <= bufferRoom(size, buffer);
  fill(buffer, size, data, false);
  size = static_cast<std::uint32_t>(data.size());
  return fits ? reg::kSuccess : reg::kMoreData;
}

}  // namespace fd
