#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixtures/FixtureHost.h"
#include "platform/AppError.h"

namespace fd::test {

// The number of the AppError that action throws, or 0 when it throws none; the error must carry
// the number's standard description.
template <typename Action>
int errorNumberOf(Action action) {
  try {
    action();
  } catch (const AppError& error) {
    EXPECT_EQ(error.description(), standardDescription(error.number()));
    return error.number();
  }
  return 0;
}

// True on the Windows host, where a case that needs what only POSIX has skips itself.
#ifdef _WIN32
constexpr bool kWindowsHost = true;
#else
constexpr bool kWindowsHost = false;
#endif

// The host's file system over a tree of its own (FixtureHost), the same cases on both hosts:
// paths are Windows paths below root(), the prefix's C:\ on POSIX, a temporary folder on Windows.
class HostFileSystem : public ::testing::Test {
 protected:
  // A path below the root; one that names its drive ("D:\...") stays as it is.
  std::string at(const std::string& path) const {
    return path.size() > 1 && path[1] == ':' ? path : f.root() + path;
  }

  // The names of a folder below the root, hidden ones included, in byte order.
  std::vector<std::string> entriesOf(const std::string& folder) const {
    std::vector<std::string> names = f.prefix.names(at(folder));
    std::sort(names.begin(), names.end());
    return names;
  }

  FixtureHost f;
};

}  // namespace fd::test
