#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/AppError.h"
#include "support/TempPrefix.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

class PosixFileSystemTest : public testing::Test {
 protected:
  // The number of the AppError that action throws, or 0.
  template <typename Action>
  static int errorOf(Action action) {
    try {
      action();
    } catch (const AppError& error) {
      EXPECT_EQ(error.description(), standardDescription(error.number()));
      return error.number();
    }
    return 0;
  }

  void makeReadOnly(std::string_view windowsPath) {
    fs::permissions(prefix.host(windowsPath),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }

  std::vector<std::string> entriesOf(std::string_view windowsPath) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix.host(windowsPath))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempPrefix prefix;
  PosixFileSystem files{prefix.mapper()};
};

TEST_F(PosixFileSystemTest, ExistenceChecksTellFilesFoldersAndHiddenFilesApart) {
  prefix.writeFile("C:\\Fendal\\a.txt", "x");
  prefix.writeFile("C:\\Fendal\\.oculto", "x");
  EXPECT_TRUE(files.folderExists("C:\\FENDAL\\"));
  EXPECT_FALSE(files.folderExists("C:\\Fendal\\a.txt"));
  EXPECT_TRUE(files.fileExists("c:\\fendal\\A.TXT"));
  EXPECT_FALSE(files.fileExists("C:\\Fendal"));
  EXPECT_TRUE(files.ordinaryFileExists("C:\\Fendal\\a.txt"));
  EXPECT_TRUE(files.fileExists("C:\\Fendal\\.oculto"));
  EXPECT_FALSE(files.ordinaryFileExists("C:\\Fendal\\.oculto"));
  EXPECT_FALSE(files.fileExists("C:\\Fendal\\b.txt"));
}

TEST_F(PosixFileSystemTest, CreateFolderMakesOneLevel) {
  files.createFolder("C:\\Fendal");
  EXPECT_TRUE(fs::is_directory(prefix.root() / "drive_c" / "Fendal"));
}

struct CreateFolderCase {
  const char* name;
  const char* path;
  int number;
};

class CreateFolderErrors : public PosixFileSystemTest,
                           public testing::WithParamInterface<CreateFolderCase> {};

TEST_P(CreateFolderErrors, HaveThePlatformNumbers) {
  prefix.makeFolder("C:\\Existe");
  prefix.makeFolder("C:\\SoloLectura");
  makeReadOnly("C:\\SoloLectura");
  EXPECT_EQ(errorOf([&] { files.createFolder(GetParam().path); }), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CreateFolderErrors,
    testing::Values(CreateFolderCase{"Exists", "C:\\EXISTE", 58},
                    CreateFolderCase{"ParentMissing", "C:\\No\\Hay", 76},
                    CreateFolderCase{"ReadOnlyParent", "C:\\SoloLectura\\Nueva", 70},
                    CreateFolderCase{"DriveMissing", "D:\\Fendal", 76},
                    CreateFolderCase{"DriveRootMissing", "D:\\", 76}),
    [](const testing::TestParamInfo<CreateFolderCase>& info) { return info.param.name; });

TEST_F(PosixFileSystemTest, CopyKeepsContentAndModificationTime) {
  prefix.writeFile("C:\\Tmp\\Comercial.exe", std::string("MZ\0\x90 binary", 10));
  const fs::path source = prefix.host("C:\\Tmp\\Comercial.exe");
  fs::last_write_time(source, fs::last_write_time(source) - std::chrono::hours(48));
  prefix.makeFolder("C:\\Fendal\\Comercial");
  files.copyFile("C:\\Tmp\\Comercial.exe", "C:\\Fendal\\Comercial\\Comercial.exe", true);
  EXPECT_EQ(prefix.readFile("C:\\Fendal\\Comercial\\Comercial.exe"),
            std::string("MZ\0\x90 binary", 10));
  EXPECT_EQ(fs::last_write_time(prefix.host("C:\\Fendal\\Comercial\\Comercial.exe")),
            fs::last_write_time(source));
}

TEST_F(PosixFileSystemTest, CopyIntoAFolderKeepsTheName) {
  prefix.writeFile("C:\\Tmp\\a.rpt", "rpt");
  prefix.makeFolder("C:\\RPT");
  files.copyFile("C:\\Tmp\\a.rpt", "C:\\rpt\\", false);
  EXPECT_EQ(prefix.readFile("C:\\RPT\\a.rpt"), "rpt");
}

TEST_F(PosixFileSystemTest, CopyOverwritesWholeAndLeavesNoTemporaryFile) {
  prefix.writeFile("C:\\Tmp\\a.txt", "new");
  prefix.writeFile("C:\\Dest\\A.TXT", std::string(100000, 'o'));
  files.copyFile("C:\\Tmp\\a.txt", "C:\\Dest\\a.txt", true);
  EXPECT_EQ(prefix.readFile("C:\\Dest\\A.TXT"), "new");
  EXPECT_EQ(entriesOf("C:\\Dest"), std::vector<std::string>{"A.TXT"});
}

struct CopyCase {
  const char* name;
  const char* source;
  const char* target;
  bool overwrite;
  int number;
};

class CopyErrors : public PosixFileSystemTest, public testing::WithParamInterface<CopyCase> {};

TEST_P(CopyErrors, HaveThePlatformNumbersAndKeepTheOldTarget) {
  prefix.writeFile("C:\\Tmp\\a.txt", "new");
  prefix.writeFile("C:\\Dest\\a.txt", "old");
  prefix.writeFile("C:\\Locked\\a.txt", "old");
  makeReadOnly("C:\\Locked");
  prefix.writeFile("C:\\ReadOnly\\a.txt", "old");
  makeReadOnly("C:\\ReadOnly\\a.txt");
  prefix.makeFolder("C:\\Dir\\a.txt");
  EXPECT_EQ(
      errorOf([&] { files.copyFile(GetParam().source, GetParam().target, GetParam().overwrite); }),
      GetParam().number);
  for (const char* folder : {"C:\\Dest", "C:\\Locked", "C:\\ReadOnly"}) {
    EXPECT_EQ(prefix.readFile(std::string(folder) + "\\a.txt"), "old");
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"a.txt"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyErrors,
    testing::Values(CopyCase{"SourceMissing", "C:\\Tmp\\b.txt", "C:\\Dest\\b.txt", true, 53},
                    CopyCase{"SourceFolderMissing", "C:\\Nada\\a.txt", "C:\\Dest\\b.txt", true, 76},
                    CopyCase{"SourceIsFolder", "C:\\Dest", "C:\\Dest\\b.txt", true, 53},
                    CopyCase{"TargetFolderMissing", "C:\\Tmp\\a.txt", "C:\\Nada\\a.txt", true, 76},
                    CopyCase{"TargetExists", "C:\\Tmp\\a.txt", "C:\\Dest\\a.txt", false, 58},
                    CopyCase{"ReadOnlyFolder", "C:\\Tmp\\a.txt", "C:\\Locked\\a.txt", true, 70},
                    CopyCase{"ReadOnlyTarget", "C:\\Tmp\\a.txt", "C:\\ReadOnly\\a.txt", true, 70},
                    CopyCase{"TargetIsFolder", "C:\\Tmp\\a.txt", "C:\\Dir\\a.txt", true, 70}),
    [](const testing::TestParamInfo<CopyCase>& info) { return info.param.name; });

TEST_F(PosixFileSystemTest, RemoveFileDeletesIt) {
  prefix.writeFile("C:\\Tmp\\a.txt", "x");
  files.removeFile("C:\\TMP\\A.txt");
  EXPECT_FALSE(prefix.exists("C:\\Tmp\\a.txt"));
}

TEST_F(PosixFileSystemTest, RemoveFileErrorsHaveThePlatformNumbers) {
  prefix.writeFile("C:\\Tmp\\ro.txt", "x");
  makeReadOnly("C:\\Tmp\\ro.txt");
  EXPECT_EQ(errorOf([&] { files.removeFile("C:\\Tmp\\b.txt"); }), 53);
  EXPECT_EQ(errorOf([&] { files.removeFile("C:\\Nada\\b.txt"); }), 76);
  EXPECT_EQ(errorOf([&] { files.removeFile("C:\\Tmp\\ro.txt"); }), 70);
  EXPECT_TRUE(prefix.exists("C:\\Tmp\\ro.txt"));
}

TEST_F(PosixFileSystemTest, LastModifiedIsLocalTime) {
  prefix.writeFile("C:\\a.txt", "x");
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 8;
  local.tm_hour = 6;
  local.tm_min = 10;
  local.tm_sec = 57;
  local.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, prefix.host("C:\\a.txt").c_str(), times, 0), 0);
  EXPECT_EQ(files.lastModified("C:\\A.TXT"), (LocalDateTime{2026, 12, 8, 6, 10, 57}));
  EXPECT_EQ(errorOf([&] { files.lastModified("C:\\b.txt"); }), 53);
}

struct ListCase {
  const char* name;
  const char* pattern;
  std::vector<std::string> names;
};

class Listing : public PosixFileSystemTest, public testing::WithParamInterface<ListCase> {};

TEST_P(Listing, MatchesWithoutLetterCaseInNameOrder) {
  for (const char* name : {"crm_1_9_3_a.RAR", "COMERCIAL_5_2_7_x.rar", "fdCom.ini", "FDCOMx.ini",
                           "notas.txt", "LEEME", ".oculto.rar", "año.txt"}) {
    prefix.writeFile(std::string("C:\\Act\\") + name, "x");
  }
  prefix.makeFolder("C:\\Act\\carpeta.rar");
  EXPECT_EQ(files.listFiles("C:\\act\\", GetParam().pattern, false), GetParam().names);
  EXPECT_EQ(files.listFiles("C:\\act\\", GetParam().pattern, true), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Listing,
    testing::Values(ListCase{"Rar", "*.rar", {"COMERCIAL_5_2_7_x.rar", "crm_1_9_3_a.RAR"}},
                    ListCase{"IniPrefix", "fdCom*.ini", {"fdCom.ini", "FDCOMx.ini"}},
                    ListCase{"StarDotStar",
                             "*.*",
                             {"año.txt", "COMERCIAL_5_2_7_x.rar", "crm_1_9_3_a.RAR", "fdCom.ini",
                              "FDCOMx.ini", "LEEME", "notas.txt"}},
                    ListCase{"QuestionMarks", "?ÑO.TXT", {"año.txt"}},
                    ListCase{"ExactName", "leeme", {"LEEME"}}, ListCase{"NoMatch", "*.sql", {}}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

TEST_F(PosixFileSystemTest, ListFoldersGivesVisibleSubfoldersInNameOrder) {
  for (const char* name : {"C:\\Fendal\\mrp", "C:\\Fendal\\Comercial", "C:\\Fendal\\.cache"}) {
    prefix.makeFolder(name);
  }
  prefix.writeFile("C:\\Fendal\\a.txt", "x");
  EXPECT_EQ(files.listFolders("c:\\fendal\\"), (std::vector<std::string>{"Comercial", "mrp"}));
  EXPECT_TRUE(files.listFolders("C:\\Nada").empty());
}

TEST_F(PosixFileSystemTest, ListingAMissingFolderGivesNothing) {
  EXPECT_TRUE(files.listFiles("C:\\Nada\\", "*.*", false).empty());
}

TEST_F(PosixFileSystemTest, WrittenLinesAreAnsiWithCrLfAndReadBack) {
  prefix.makeFolder("C:\\Act");
  files.writeLines("C:\\Act\\ACT.log", {"Línea uno", "", "€ dos"}, false);
  files.appendLine("C:\\Act\\ACT.log", "tres");
  EXPECT_EQ(prefix.readFile("C:\\Act\\ACT.log"), "L\xEDnea uno\r\n\r\n\x80 dos\r\ntres\r\n");
  EXPECT_EQ(files.readLines("C:\\Act\\act.LOG"),
            (std::vector<std::string>{"Línea uno", "", "€ dos", "tres"}));
  files.writeLines("C:\\Act\\ACT.log", {"nuevo"}, false);
  EXPECT_EQ(prefix.readFile("C:\\Act\\ACT.log"), "nuevo\r\n");
}

TEST_F(PosixFileSystemTest, ReadLinesEndAtLoneCrButNotAtLoneLf) {
  prefix.writeFile("C:\\a.txt", "uno\rdos\nmitad\r\n");
  EXPECT_EQ(files.readLines("C:\\a.txt"), (std::vector<std::string>{"uno", "dos\nmitad"}));
}

TEST_F(PosixFileSystemTest, TextFileErrorsHaveThePlatformNumbers) {
  prefix.makeFolder("C:\\Carpeta");
  prefix.writeFile("C:\\ro.txt", "x");
  makeReadOnly("C:\\ro.txt");
  EXPECT_EQ(errorOf([&] { files.readLines("C:\\b.txt"); }), 53);
  EXPECT_EQ(errorOf([&] { files.readLines("C:\\Nada\\b.txt"); }), 76);
  EXPECT_EQ(errorOf([&] { files.readLines("C:\\Carpeta"); }), 70);
  EXPECT_EQ(errorOf([&] { files.writeLines("C:\\Nada\\b.txt", {"x"}, true); }), 76);
  EXPECT_EQ(errorOf([&] { files.writeLines("C:\\Carpeta", {"x"}, true); }), 70);
  EXPECT_EQ(errorOf([&] { files.writeLines("C:\\ro.txt", {"y"}, true); }), 70);
  EXPECT_EQ(prefix.readFile("C:\\ro.txt"), "x");
}

}  // namespace
}  // namespace fd
