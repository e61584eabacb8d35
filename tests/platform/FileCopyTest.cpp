// Copying a file, new or over another, and removing one, through the host's file system. What
// a replaced file keeps beside its contents (permission bits, owner, link) is POSIX's alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "PlatformTestSupport.h"

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace fd::test {
namespace {

class FileCopy : public HostFileSystem {};

TEST_F(FileCopy, CopyIntoAFolderKeepsTheSourceName) {
  f.writeFile(at("Tmp\\a.rpt"), "rpt");
  f.makeFolder(at("RPT"));
  f.fs.copyFile(at("Tmp\\a.rpt"), at("rpt\\"), false);
  EXPECT_EQ(f.readFile(at("RPT\\a.rpt")), "rpt");
}

TEST_F(FileCopy, CopyOverwritesWholeAndLeavesNoTemporaryFile) {
  f.writeFile(at("Tmp\\a.txt"), "new");
  f.writeFile(at("Dest\\A.TXT"), std::string(100000, 'o'));
  f.fs.copyFile(at("Tmp\\a.txt"), at("Dest\\a.txt"), true);
  EXPECT_EQ(f.readFile(at("Dest\\A.TXT")), "new");
  EXPECT_EQ(entriesOf("Dest"), std::vector<std::string>{"A.TXT"});
}

TEST_F(FileCopy, CopyWritesTheContentsAndKeepsTheModificationTime) {
  f.writeFile(at("source.bin"), std::string("a\0b\r\nc", 6));
  f.fs.copyFile(at("source.bin"), at("target.bin"), false);
  EXPECT_EQ(f.readFile(at("target.bin")), std::string("a\0b\r\nc", 6));
  EXPECT_EQ(f.fs.lastModified(at("target.bin")), f.fs.lastModified(at("source.bin")));
}

TEST_F(FileCopy, NewCopyKeepsContentModificationTimeAndPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no permission bits";
#else
  f.writeFile(at("Tmp\\Comercial.exe"), std::string("MZ\0\x90 binary", 10));
  const fs::path source = f.host(at("Tmp\\Comercial.exe"));
  fs::last_write_time(source, fs::last_write_time(source) - std::chrono::hours(48));
  ::chmod(source.c_str(), 0750);
  f.makeFolder(at("Fendal\\Comercial"));
  f.fs.copyFile(at("Tmp\\Comercial.exe"), at("Fendal\\Comercial\\Comercial.exe"), true);
  const fs::path copy = f.host(at("Fendal\\Comercial\\Comercial.exe"));
  EXPECT_EQ(f.readFile(at("Fendal\\Comercial\\Comercial.exe")), std::string("MZ\0\x90 binary", 10));
  EXPECT_EQ(fs::last_write_time(copy), fs::last_write_time(source));
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms(0750));
#endif
}

TEST_F(FileCopy, NamesOfTheLongestLengthAreCopied) {
  const std::string name = std::string(251, 'n') + ".dll";
  f.writeFile(at("Tmp\\" + name), "nuevo");
  f.writeFile(at("Fendal\\" + name), "viejo");
  f.makeFolder(at("Nuevo"));
  f.fs.copyFile(at("Tmp\\" + name), at("Fendal\\" + name), true);
  f.fs.copyFile(at("Tmp\\" + name), at("Nuevo\\"), false);
  EXPECT_EQ(f.readFile(at("Fendal\\" + name)), "nuevo");
  EXPECT_EQ(f.readFile(at("Nuevo\\" + name)), "nuevo");
}

// Unlike a Windows folder's read-only attribute, a folder without write permission takes no new
// file.
TEST_F(FileCopy, NewFileInAReadOnlyFolderIsRefused) {
  if (kWindowsHost) {
    GTEST_SKIP() << "a Windows folder's read-only attribute refuses no new file";
  }
  f.writeFile(at("Tmp\\a.txt"), "new");
  f.writeFile(at("Locked\\a.txt"), "old");
  f.makeReadOnly(at("Locked"));
  EXPECT_EQ(errorNumberOf([&] { f.fs.copyFile(at("Tmp\\a.txt"), at("Locked\\b.txt"), true); }), 70);
  EXPECT_EQ(entriesOf("Locked"), std::vector<std::string>{"a.txt"});
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

#ifndef _WIN32
constexpr uid_t kOtherUser = 65534;
#endif

// What a replaced file had beside its contents stays: its permission bits, its owner, the link
// that names it; a folder that may not be written, with a file that may, still takes the copy.
struct ReplaceCase {
  const char* name;
  unsigned mode;
  bool throughLink;     // the target is a symbolic link to the file, which is in another folder
  bool folderReadOnly;  // the folder of the file may not be written
  bool otherOwner;      // the file belongs to another user, which only root can arrange
};

class Replacing : public HostFileSystem, public testing::WithParamInterface<ReplaceCase> {};

TEST_P(Replacing, KeepsWhatTheReplacedFileHad) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no permission bits or owner of this kind";
#else
  const ReplaceCase& c = GetParam();
  if (c.otherOwner && geteuid() != 0) {
    GTEST_SKIP() << "only root may give a file to another user";
  }
  f.writeFile(at("Tmp\\Nuevo.exe"), "nuevo");
  ::chmod(f.host(at("Tmp\\Nuevo.exe")).c_str(), 0644);
  const std::string folder = c.throughLink ? "Real" : "Fendal";
  const std::string file = at(folder + "\\Programa.exe");
  const fs::path host = f.host(file);
  f.writeFile(file, std::string(5000, 'v'));
  ::chmod(host.c_str(), c.mode);
  if (c.throughLink) {
    f.makeFolder(at("Fendal"));
    fs::create_symlink("../Real/Programa.exe", f.host(at("Fendal\\Programa.exe")));
  }
  if (c.otherOwner) {
    ASSERT_EQ(::chown(host.c_str(), kOtherUser, kOtherUser), 0);
  }
  if (c.folderReadOnly) {
    f.makeReadOnly(at(folder));
  }

  f.fs.copyFile(at("Tmp\\Nuevo.exe"), at("Fendal\\Programa.exe"), true);
  EXPECT_EQ(f.readFile(file), "nuevo");
  struct stat info;
  ASSERT_EQ(::stat(host.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, c.mode);
  EXPECT_EQ(info.st_uid, c.otherOwner ? kOtherUser : geteuid());
  EXPECT_EQ(info.st_gid, c.otherOwner ? kOtherUser : getegid());
  EXPECT_EQ(fs::is_symlink(f.host(at("Fendal\\Programa.exe"))), c.throughLink);
  EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"Programa.exe"});
#endif
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
TEST_F(FileCopy, WritableFileInAFolderTheUserMayNotWriteIsReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no folder permission bits to refuse a second user";
#else
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to act as a second user whom the folder refuses";
  }
  f.writeFile(at("Tmp\\a.dll"), "nuevo");
  f.writeFile(at("Fendal\\a.dll"), "viejo");
  fs::permissions(f.prefix.root(), fs::perms::others_exec, fs::perm_options::add);
  ASSERT_EQ(::chown(f.host(at("Fendal\\a.dll")).c_str(), kOtherUser, kOtherUser), 0);
  const pid_t child = fork();
  if (child == 0) {
    int number = 100;
    if (::setgroups(0, nullptr) == 0 && ::setgid(kOtherUser) == 0 && ::setuid(kOtherUser) == 0) {
      number = errorNumberOf([&] { f.fs.copyFile(at("Tmp\\a.dll"), at("Fendal\\a.dll"), true); });
    }
    _exit(number);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(f.readFile(at("Fendal\\a.dll")), "nuevo");
  EXPECT_EQ(entriesOf("Fendal"), std::vector<std::string>{"a.dll"});
#endif
}

class FileRemoval : public HostFileSystem {};

TEST_F(FileRemoval, RemoveFileDeletesItOrGivesThePlatformNumbers) {
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
