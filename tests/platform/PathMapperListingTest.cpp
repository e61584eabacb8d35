// The mapper keeps a folder's listing between case-insensitive lookups; these guard that a kept
// listing never hides what changed in the folder since.
#include <gtest/gtest.h>

#include <fstream>

#include "fixtures/TempPrefix.h"
#include "platform/PathMapper.h"
#include "platform/posix/PosixFileSystem.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

class FolderListing : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder()); }
  fs::path folder() const { return prefix.root() / "drive_c" / "Bin"; }
  void make(const std::string& name) const { std::ofstream(folder() / name) << name; }

  TempPrefix prefix;
};

TEST_F(FolderListing, ANameMadeRightAfterALookupIsFoundUnderAnotherCase) {
  // Many rounds, so that some fall within one tick of the folder's coarse change time.
  for (int round = 0; round < 200; ++round) {
    const std::string name = "Nuevo" + std::to_string(round) + ".DLL";
    EXPECT_EQ(prefix.mapper().toHost("C:\\bin\\nuevo" + std::to_string(round) + ".dll"),
              folder() / ("nuevo" + std::to_string(round) + ".dll"));
    make(name);
    EXPECT_EQ(prefix.mapper().toHost("C:\\bin\\nuevo" + std::to_string(round) + ".dll"),
              folder() / name);
  }
}

TEST_F(FolderListing, ARemovedNameIsNoLongerMatched) {
  make("Viejo.dll");
  EXPECT_EQ(prefix.mapper().toHost("C:\\Bin\\VIEJO.DLL"), folder() / "Viejo.dll");
  fs::remove(folder() / "Viejo.dll");
  EXPECT_EQ(prefix.mapper().toHost("C:\\Bin\\VIEJO.DLL"), folder() / "VIEJO.DLL");
}

TEST_F(FolderListing, FilesCopiedInAreFoundUnderAnotherCaseAndOthersStillAre) {
  PosixFileSystem files(prefix.mapper());
  make("origen.txt");
  for (int i = 0; i < 50; ++i) {
    files.copyFile("C:\\Bin\\origen.txt", "C:\\Bin\\Copia" + std::to_string(i) + ".txt", true);
    EXPECT_EQ(prefix.mapper().toHost("C:\\Bin\\COPIA" + std::to_string(i) + ".TXT"),
              folder() / ("Copia" + std::to_string(i) + ".txt"));
    make("Otro" + std::to_string(i) + ".txt");
    EXPECT_EQ(prefix.mapper().toHost("C:\\Bin\\otro" + std::to_string(i) + ".TXT"),
              folder() / ("Otro" + std::to_string(i) + ".txt"));
  }
}

}  // namespace
}  // namespace fd
