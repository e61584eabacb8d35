#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"
#include "platform/posix/PosixFileSystem.h"

namespace fd::test {
namespace {

struct AttributeCase {
  std::string name;
  std::string path;
  bool folder;
  mode_t mode;
  int attributes;
};

class FileAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(FileAttributes, FollowTheModeAndTheName) {
  TempPrefix prefix;
  PosixFileSystem fs(prefix.mapper());
  const AttributeCase& c = GetParam();
  if (c.folder) {
    prefix.makeFolder(c.path);
  } else {
    prefix.writeFile(c.path, "x");
  }
  ::chmod(prefix.host(c.path).c_str(), c.mode);
  EXPECT_EQ(fs.attributes(c.path), c.attributes);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileAttributes,
    ::testing::Values(
        AttributeCase{"Ordinary", "C:\\T\\a.sql", false, 0644, attr::kArchive},
        AttributeCase{"ReadOnly", "C:\\T\\a.sql", false, 0444, attr::kArchive | attr::kReadOnly},
        AttributeCase{"OthersMayWriteButNotTheOwner", "C:\\T\\a.sql", false, 0466,
                      attr::kArchive | attr::kReadOnly},
        AttributeCase{"Hidden", "C:\\T\\.a.sql", false, 0644, attr::kArchive | attr::kHidden},
        AttributeCase{"Folder", "C:\\T\\Sub", true, 0755, attr::kDirectory}),
    [](const auto& info) { return info.param.name; });

TEST(FileAttributes, MissingFileIsError53) {
  TempPrefix prefix;
  PosixFileSystem fs(prefix.mapper());
  for (const char* path : {"C:\\nada.sql", "C:\\NoHay\\nada.sql"}) {
    try {
      fs.attributes(path);
      ADD_FAILURE() << path;
    } catch (const AppError& error) {
      EXPECT_EQ(error.number(), err::kFileNotFound) << path;
    }
  }
}

}  // namespace
}  // namespace fd::test
