#pragma once

#include <cstddef>
#include <functional>

namespace fd {

// Reads a descriptor to its end, handing each chunk to take, which may stop the reading by
// returning false; reads a signal interrupted are retried. False when a read failed (errno says
// why) or take stopped it.
bool readChunks(int fd, const std::function<bool(const char* data, std::size_t size)>& take);

}  // namespace fd
