#pragma once

#include <gtest/gtest.h>

#include <string>

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

// A folder that createFolder must refuse, and the number it must refuse it with.
struct CreateFolderCase {
  const char* name;
  const char* path;
  int number;
};

inline std::string createFolderCaseName(const testing::TestParamInfo<CreateFolderCase>& info) {
  return info.param.name;
}

}  // namespace fd::test
