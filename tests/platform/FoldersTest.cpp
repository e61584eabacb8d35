// Making folders and listing them through the host's file system.
#include <gtest/gtest.h>

#include <filesystem>

#include "PlatformTestSupport.h"

namespace fd::test {
namespace {

class Folders : public HostFileSystem {};

TEST_F(Folders, CreateFolderMakesOneLevel) {
  f.fs.createFolder(at("Nueva"));
  EXPECT_TRUE(std::filesystem::is_directory(f.host(at("Nueva"))));
  EXPECT_TRUE(f.fs.folderExists(at("NUEVA")));
}

// A folder that createFolder must refuse, and the number it must refuse it with; where Windows
// cannot set the refusal up, why.
struct CreateFolderCase {
  const char* name;
  const char* path;
  int number;
  const char* notOnWindows = nullptr;
};

class CreateFolderErrors : public HostFileSystem,
                           public testing::WithParamInterface<CreateFolderCase> {};

TEST_P(CreateFolderErrors, HaveThePlatformNumbers) {
  const CreateFolderCase& c = GetParam();
  if (kWindowsHost && c.notOnWindows) {
    GTEST_SKIP() << c.notOnWindows;
  }
  f.makeFolder(at("Existe"));
  f.makeFolder(at("SoloLectura"));
  f.makeReadOnly(at("SoloLectura"));
  EXPECT_EQ(errorNumberOf([&] { f.fs.createFolder(at(c.path)); }), c.number);
}

constexpr const char* kPrefixDrives = "Windows' drive letters are the machine's, not a test's";

INSTANTIATE_TEST_SUITE_P(
    Table, CreateFolderErrors,
    testing::Values(CreateFolderCase{"Exists", "EXISTE", 58},
                    CreateFolderCase{"ParentMissing", "No\\Hay", 76},
                    CreateFolderCase{"ReadOnlyParent", "SoloLectura\\Nueva", 70,
                                     "a Windows folder's read-only attribute refuses no new one"},
                    CreateFolderCase{"DriveMissing", "D:\\Fendal", 76, kPrefixDrives},
                    CreateFolderCase{"DriveRootMissing", "D:\\", 76, kPrefixDrives}),
    [](const testing::TestParamInfo<CreateFolderCase>& info) { return info.param.name; });

TEST_F(Folders, ListFoldersGivesVisibleSubfoldersInNameOrder) {
  for (const char* name : {"Fendal\\mrp", "Fendal\\Comercial", "Fendal\\cache"}) {
    f.makeFolder(at(name));
  }
  f.hide(at("Fendal\\cache"));
  f.writeFile(at("Fendal\\a.txt"), "x");
  EXPECT_EQ(f.fs.listFolders(at("fendal\\")), (std::vector<std::string>{"Comercial", "mrp"}));
  EXPECT_TRUE(f.fs.listFolders(at("Nada")).empty());
}

TEST_F(Folders, ListFoldersSortsWithoutCaseAndLeavesHiddenOnesOut) {
  for (const char* name : {"beta", "Alpha", "gamma", "secret"}) {
    f.fs.createFolder(at(name));
  }
  f.hide(at("secret"));
  f.writeFile(at("file.txt"), "x");
  EXPECT_EQ(f.fs.listFolders(at("")), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
}

}  // namespace
}  // namespace fd::test
