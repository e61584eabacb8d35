#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "PlatformTestSupport.h"
#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

using test::CreateFolderCase;
using test::errorNumberOf;

class PosixFileSystemTest : public testing::Test {
 protected:
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

// Beyond the errors both hosts share: the prefix's drives and a folder without write permission.
class PrefixCreateFolderErrors : public PosixFileSystemTest,
                                 public testing::WithParamInterface<CreateFolderCase> {};

TEST_P(PrefixCreateFolderErrors, HaveThePlatformNumbers) {
  prefix.makeFolder("C:\\SoloLectura");
  makeReadOnly("C:\\SoloLectura");
  EXPECT_EQ(errorNumberOf([&] { files.createFolder(GetParam().path); }), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Table, PrefixCreateFolderErrors,
                         testing::Values(CreateFolderCase{"ReadOnlyParent",
                                                          "C:\\SoloLectura\\Nueva", 70},
                                         CreateFolderCase{"DriveMissing", "D:\\Fendal", 76},
                                         CreateFolderCase{"DriveRootMissing", "D:\\", 76}),
                         test::createFolderCaseName);

TEST_F(PosixFileSystemTest, NewCopyKeepsContentModificationTimeAndPermissions) {
  prefix.writeFile("C:\\Tmp\\Comercial.exe", std::string("MZ\0\x90 binary", 10));
  const fs::path source = prefix.host("C:\\Tmp\\Comercial.exe");
  fs::last_write_time(source, fs::last_write_time(source) - std::chrono::hours(48));
  ::chmod(source.c_str(), 0750);
  prefix.makeFolder("C:\\Fendal\\Comercial");
  files.copyFile("C:\\Tmp\\Comercial.exe", "C:\\Fendal\\Comercial\\Comercial.exe", true);
  const fs::path copy = prefix.host("C:\\Fendal\\Comercial\\Comercial.exe");
  EXPECT_EQ(prefix.readFile("C:\\Fendal\\Comercial\\Comercial.exe"),
            std::string("MZ\0\x90 binary", 10));
  EXPECT_EQ(fs::last_write_time(copy), fs::last_write_time(source));
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms(0750));
}

constexpr uid_t kOtherUser = 65534;

// What a replaced file had beside its contents stays: its permission bits, its owner, the link
// that names it; a folder that may not be written, with a file that may, still takes the copy.
struct ReplaceCase {
  const char* name;
  mode_t mode;
  bool throughLink;     // the target is a symbolic link to the file, which is in another folder
  bool folderReadOnly;  // the folder of the file may not be written
  bool otherOwner;      // the file belongs to another user, which only root can arrange
};

class Replacing : public PosixFileSystemTest, public testing::WithParamInterface<ReplaceCase> {};

TEST_P(Replacing, KeepsWhatTheReplacedFileHad) {
  const ReplaceCase& c = GetParam();
  if (c.otherOwner && geteuid() != 0) {
    GTEST_SKIP() << "only root may give a file to another user";
  }
  prefix.writeFile("C:\\Tmp\\Nuevo.exe", "nuevo");
  ::chmod(prefix.host("C:\\Tmp\\Nuevo.exe").c_str(), 0644);
  const std::string folder = c.throughLink ? "C:\\Real" : "C:\\Fendal";
  const std::string file = folder + "\\Programa.exe";
  const fs::path host = prefix.host(file);
  prefix.writeFile(file, std::string(5000, 'v'));
  ::chmod(host.c_str(), c.mode);
  if (c.throughLink) {
    prefix.makeFolder("C:\\Fendal");
    fs::create_symlink("../Real/Programa.exe", prefix.host("C:\\Fendal\\Programa.exe"));
  }
  if (c.otherOwner) {
    ASSERT_EQ(::chown(host.c_str(), kOtherUser, kOtherUser), 0);
  }
  if (c.folderReadOnly) {
    makeReadOnly(folder);
  }

  files.copyFile("C:\\Tmp\\Nuevo.exe", "C:\\Fendal\\Programa.exe", true);
  EXPECT_EQ(prefix.readFile(file), "nuevo");
  struct stat info;
  ASSERT_EQ(::stat(host.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, c.mode);
  EXPECT_EQ(info.st_uid, c.otherOwner ? kOtherUser : geteuid());
  EXPECT_EQ(info.st_gid, c.otherOwner ? kOtherUser : getegid());
  EXPECT_EQ(fs::is_symlink(prefix.host("C:\\Fendal\\Programa.exe")), c.throughLink);
  EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"Programa.exe"});
}

INSTANTIATE_TEST_SUITE_P(
    Table, Replacing,
    testing::Values(ReplaceCase{"ExecutableStaysExecutable", 0755, false, false, false},
                    ReplaceCase{"LinkStaysALink", 0750, true, false, false},
                    ReplaceCase{"ReadOnlyFolder", 0755, false, true, false},
                    ReplaceCase{"LinkIntoReadOnlyFolder", 0700, true, true, false},
                    ReplaceCase{"OwnerStays", 0755, false, false, true},
                    ReplaceCase{"OwnerStaysInReadOnlyFolder", 0640, false, true, true}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return info.param.name; });

// Root may write any folder, so the folder that refuses is judged by the kernel for another user.
TEST_F(PosixFileSystemTest, WritableFileInAFolderTheUserMayNotWriteIsReplaced) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to act as a second user whom the folder refuses";
  }
  prefix.writeFile("C:\\Tmp\\a.dll", "nuevo");
  prefix.writeFile("C:\\Fendal\\a.dll", "viejo");
  fs::permissions(prefix.root(), fs::perms::others_exec, fs::perm_options::add);
  ASSERT_EQ(::chown(prefix.host("C:\\Fendal\\a.dll").c_str(), kOtherUser, kOtherUser), 0);
  const pid_t child = fork();
  if (child == 0) {
    int number = 100;
    if (::setgroups(0, nullptr) == 0 && ::setgid(kOtherUser) == 0 && ::setuid(kOtherUser) == 0) {
      number = errorNumberOf([&] { files.copyFile("C:\\Tmp\\a.dll", "C:\\Fendal\\a.dll", true); });
    }
    _exit(number);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(prefix.readFile("C:\\Fendal\\a.dll"), "nuevo");
  EXPECT_EQ(entriesOf("C:\\Fendal"), std::vector<std::string>{"a.dll"});
}

TEST_F(PosixFileSystemTest, NamesOfTheLongestLengthAreCopied) {
  const std::string name = std::string(251, 'n') + ".dll";
  prefix.writeFile("C:\\Tmp\\" + name, "nuevo");
  prefix.writeFile("C:\\Fendal\\" + name, "viejo");
  prefix.makeFolder("C:\\Nuevo");
  files.copyFile("C:\\Tmp\\" + name, "C:\\Fendal\\" + name, true);
  files.copyFile("C:\\Tmp\\" + name, "C:\\Nuevo\\", false);
  EXPECT_EQ(prefix.readFile("C:\\Fendal\\" + name), "nuevo");
  EXPECT_EQ(prefix.readFile("C:\\Nuevo\\" + name), "nuevo");
}

// Unlike a Windows folder's read-only attribute, a folder without write permission takes no new
// file.
TEST_F(PosixFileSystemTest, NewFileInAReadOnlyFolderIsRefused) {
  prefix.writeFile("C:\\Tmp\\a.txt", "new");
  prefix.writeFile("C:\\Locked\\a.txt", "old");
  makeReadOnly("C:\\Locked");
  EXPECT_EQ(errorNumberOf([&] { files.copyFile("C:\\Tmp\\a.txt", "C:\\Locked\\b.txt", true); }),
            70);
  EXPECT_EQ(entriesOf("C:\\Locked"), std::vector<std::string>{"a.txt"});
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
  EXPECT_EQ(errorNumberOf([&] { files.lastModified("C:\\b.txt"); }), 53);
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
  EXPECT_EQ(errorNumberOf([&] { files.readLines("C:\\b.txt"); }), 53);
  EXPECT_EQ(errorNumberOf([&] { files.readLines("C:\\Nada\\b.txt"); }), 76);
  EXPECT_EQ(errorNumberOf([&] { files.readLines("C:\\Carpeta"); }), 70);
  EXPECT_EQ(errorNumberOf([&] { files.writeLines("C:\\Nada\\b.txt", {"x"}, true); }), 76);
  EXPECT_EQ(errorNumberOf([&] { files.writeLines("C:\\Carpeta", {"x"}, true); }), 70);
  EXPECT_EQ(errorNumberOf([&] { files.writeLines("C:\\ro.txt", {"y"}, true); }), 70);
  EXPECT_EQ(prefix.readFile("C:\\ro.txt"), "x");
}

}  // namespace
}  // namespace fd
