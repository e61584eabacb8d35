// The host's file system as the updater's services give it, below the fixture's root, on both
// hosts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "PlatformTestSupport.h"
#include "fixtures/UpdaterFixture.h"
#include "platform/AppError.h"

namespace fd::test {
namespace {

class HostFileSystem : public ::testing::Test {
 protected:
  std::string at(const std::string& path) const { return f.root() + path; }

  std::vector<std::string> entriesOf(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(f.host(at(folder))))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  UpdaterFixture f;
};

TEST_F(HostFileSystem, CopyIntoAFolderKeepsTheSourceName) {
  f.writeFile(at("Tmp\\a.rpt"), "rpt");
  f.makeFolder(at("RPT"));
  f.fs.copyFile(at("Tmp\\a.rpt"), at("rpt\\"), false);
  EXPECT_EQ(f.readFile(at("RPT\\a.rpt")), "rpt");
}

TEST_F(HostFileSystem, CopyOverwritesWholeAndLeavesNoTemporaryFile) {
  f.writeFile(at("Tmp\\a.txt"), "new");
  f.writeFile(at("Dest\\A.TXT"), std::string(100000, 'o'));
  f.fs.copyFile(at("Tmp\\a.txt"), at("Dest\\a.txt"), true);
  EXPECT_EQ(f.readFile(at("Dest\\A.TXT")), "new");
  EXPECT_EQ(entriesOf("Dest"), std::vector<std::string>{"A.TXT"});
}

struct CopyCase {
  const char* name;
  const char* source;
  const char* target;
  bool overwrite;
  int number;
};

class CopyErrors : public HostFileSystem, public testing::WithParamInterface<CopyCase> {};

TEST_P(CopyErrors, HaveThePlatformNumbersAndKeepTheOldTarget) {
  f.writeFile(at("Tmp\\a.txt"), "new");
  f.writeFile(at("Dest\\a.txt"), "old");
  f.writeFile(at("ReadOnly\\a.txt"), "old");
  f.makeReadOnly(at("ReadOnly\\a.txt"));
  f.makeFolder(at("Dir\\a.txt"));
  const CopyCase& c = GetParam();
  EXPECT_EQ(errorNumberOf([&] { f.fs.copyFile(at(c.source), at(c.target), c.overwrite); }),
            c.number);
  for (const std::string folder : {"Dest", "ReadOnly"}) {
    EXPECT_EQ(f.readFile(at(folder + "\\a.txt")), "old");
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"a.txt"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyErrors,
    testing::Values(CopyCase{"SourceMissing", "Tmp\\b.txt", "Dest\\b.txt", true, 53},
                    CopyCase{"SourceFolderMissing", "Nada\\a.txt", "Dest\\b.txt", true, 76},
                    CopyCase{"SourceIsFolder", "Dest", "Dest\\b.txt", true, 53},
                    CopyCase{"TargetFolderMissing", "Tmp\\a.txt", "Nada\\a.txt", true, 76},
                    CopyCase{"TargetExists", "Tmp\\a.txt", "Dest\\a.txt", false, 58},
                    CopyCase{"ReadOnlyTarget", "Tmp\\a.txt", "ReadOnly\\a.txt", true, 70},
                    CopyCase{"TargetIsFolder", "Tmp\\a.txt", "Dir\\a.txt", true, 70}),
    [](const testing::TestParamInfo<CopyCase>& info) { return info.param.name; });

TEST_F(HostFileSystem, CreateFolderMakesOneLevel) {
  f.fs.createFolder(at("Nueva"));
  EXPECT_TRUE(std::filesystem::is_directory(f.host(at("Nueva"))));
  EXPECT_TRUE(f.fs.folderExists(at("NUEVA")));
}

class CreateFolderErrors : public HostFileSystem,
                           public testing::WithParamInterface<CreateFolderCase> {};

TEST_P(CreateFolderErrors, HaveThePlatformNumbers) {
  f.makeFolder(at("Existe"));
  EXPECT_EQ(errorNumberOf([&] { f.fs.createFolder(at(GetParam().path)); }), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Table, CreateFolderErrors,
                         testing::Values(CreateFolderCase{"Exists", "EXISTE", 58},
                                         CreateFolderCase{"ParentMissing", "No\\Hay", 76}),
                         createFolderCaseName);

TEST_F(HostFileSystem, RemoveFileDeletesItOrGivesThePlatformNumbers) {
  f.writeFile(at("Tmp\\a.txt"), "x");
  f.writeFile(at("Tmp\\ro.txt"), "x");
  f.makeReadOnly(at("Tmp\\ro.txt"));
  f.fs.removeFile(at("TMP\\A.txt"));
  EXPECT_FALSE(f.exists(at("Tmp\\a.txt")));
  EXPECT_EQ(errorNumberOf([&] { f.fs.removeFile(at("Tmp\\b.txt")); }), 53);
  EXPECT_EQ(errorNumberOf([&] { f.fs.removeFile(at("Nada\\b.txt")); }), 76);
  EXPECT_EQ(errorNumberOf([&] { f.fs.removeFile(at("Tmp\\ro.txt")); }), 70);
  EXPECT_TRUE(f.exists(at("Tmp\\ro.txt")));
}

}  // namespace
}  // namespace fd::test
