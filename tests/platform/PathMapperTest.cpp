#include "platform/PathMapper.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "fixtures/TempPrefix.h"

namespace fs = std::filesystem;

namespace fd {
namespace {

class PathMapperTest : public testing::Test {
 protected:
  fs::path driveC() const { return prefix.root() / "drive_c"; }

  TempPrefix prefix;
};

TEST_F(PathMapperTest, WithoutDosdevicesCIsDriveCAndZIsRoot) {
  EXPECT_EQ(prefix.mapper().drives(),
            (std::map<char, fs::path>{{'C', driveC()}, {'Z', fs::path("/")}}));
}

struct MappingCase {
  const char* name;
  const char* windowsPath;
  const char* expected;  // below drive_c
};

class PathMapping : public PathMapperTest, public testing::WithParamInterface<MappingCase> {};

TEST_P(PathMapping, MatchesExistingComponentsWithoutLetterCase) {
  fs::create_directories(driveC() / "FENDAL" / "Comercial");
  fs::create_directories(driveC() / "Twin");
  fs::create_directories(driveC() / "TWIN");
  fs::create_directories(driveC() / "twin");
  fs::create_directories(driveC() / "Configuración");
  const std::string below = GetParam().expected;
  EXPECT_EQ(prefix.mapper().toHost(GetParam().windowsPath),
            below.empty() ? driveC() : driveC() / below);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PathMapping,
    testing::Values(
        MappingCase{"OtherCase", "C:\\Fendal\\COMERCIAL\\", "FENDAL/Comercial"},
        MappingCase{"LowerDrive", "c:\\fendal\\comercial\\fdCom.ini", "FENDAL/Comercial/fdCom.ini"},
        MappingCase{"MissingKeepCase", "C:\\fendal\\Nuevo\\SUB\\a.TXT", "FENDAL/Nuevo/SUB/a.TXT"},
        MappingCase{"ExactMatchWins", "C:\\Twin\\x", "Twin/x"},
        MappingCase{"ExactMatchWinsUpper", "C:\\TWIN", "TWIN"},
        MappingCase{"SeveralMatchesFirstInByteOrder", "C:\\tWiN", "TWIN"},
        MappingCase{"AccentedLetters", "C:\\CONFIGURACIÓN\\x", "Configuración/x"},
        MappingCase{"NoDriveIsDefaultDrive", "\\Fendal\\Comercial", "FENDAL/Comercial"},
        MappingCase{"ForwardSlashes", "C:/fendal/comercial/a", "FENDAL/Comercial/a"},
        MappingCase{"DotsAndDoubleSeparators", "C:\\Fendal\\.\\x\\..\\\\Comercial",
                    "FENDAL/Comercial"},
        MappingCase{"DotDotStopsAtRoot", "C:\\..\\..\\Fendal", "FENDAL"},
        MappingCase{"DriveRoot", "C:\\", ""}),
    [](const testing::TestParamInfo<MappingCase>& info) { return info.param.name; });

TEST_F(PathMapperTest, ZDriveIsTheHostRoot) {
  EXPECT_EQ(prefix.mapper().toHost("Z:\\tmp\\x"), fs::path("/tmp/x"));
}

TEST_F(PathMapperTest, PathEndsAtANul) {
  // Otherwise "..\0x" reaches the host as "..", one level above the drive.
  using namespace std::string_view_literals;
  EXPECT_EQ(prefix.mapper().toHost("C:\\..\0x\\y"sv), driveC());
  EXPECT_EQ(prefix.mapper().toHost("C:\\Fendal\0\\..\\.."sv), driveC() / "Fendal");
}

TEST_F(PathMapperTest, MissingDriveMapsWhereNothingExists) {
  const fs::path host = prefix.mapper().toHost("D:\\datos\\a.txt");
  EXPECT_FALSE(fs::exists(host.parent_path()));
  EXPECT_FALSE(host.string().starts_with(driveC().string()));
}

TEST_F(PathMapperTest, DrivesComeFromDosdevicesLinks) {
  const fs::path d = prefix.addDrive('D');
  fs::create_directories(d / "Datos");
  EXPECT_EQ(prefix.mapper().toHost("d:\\DATOS\\a.txt"), d / "Datos" / "a.txt");
  EXPECT_EQ(prefix.mapper().toHost("C:\\x"), driveC() / "x");
  EXPECT_EQ(prefix.mapper().drives().size(), 3u);
}

TEST_F(PathMapperTest, DefaultDriveServesPathsWithoutDrive) {
  const fs::path d = prefix.addDrive('D');
  prefix.mapper().setDefaultDrive('D');
  EXPECT_EQ(prefix.mapper().toHost("\\Fendal\\RPT\\"), d / "Fendal" / "RPT");
}

TEST_F(PathMapperTest, DosdevicesWithoutADriveLeavesItMissing) {
  prefix.addDrive('D');
  fs::remove(prefix.root() / "dosdevices" / "z:");
  EXPECT_FALSE(fs::exists(prefix.mapper().toHost("Z:\\tmp")));
}

struct ReverseCase {
  const char* name;
  const char* below;  // "C" folder below drive_c, "E" below drive_c/Shared (drive E:), "/" host
  const char* windowsPath;
};

class ReverseMapping : public PathMapperTest, public testing::WithParamInterface<ReverseCase> {};

TEST_P(ReverseMapping, UsesTheLongestDrivePrefixAndZLast) {
  prefix.addDrive('D');
  fs::create_directories(driveC() / "Shared" / "Sub");
  fs::create_directory_symlink(driveC() / "Shared", prefix.root() / "dosdevices" / "e:");
  fs::path host = GetParam().below;
  if (GetParam().below[0] != '/') {
    host = driveC() / GetParam().below;
  }
  EXPECT_EQ(prefix.mapper().toWindows(host), GetParam().windowsPath);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReverseMapping,
    testing::Values(ReverseCase{"DriveC", "Fendal/Actualizador", "C:\\Fendal\\Actualizador"},
                    ReverseCase{"DriveRoot", "", "C:\\"},
                    ReverseCase{"NestedDriveIsLonger", "Shared/Sub", "E:\\Sub"},
                    ReverseCase{"HostRootIsZ", "/usr/bin", "Z:\\usr\\bin"},
                    ReverseCase{"Dots", "Fendal/../Otro/./x", "C:\\Otro\\x"}),
    [](const testing::TestParamInfo<ReverseCase>& info) { return info.param.name; });

TEST_F(PathMapperTest, ReverseMappingOfAnExtraDrive) {
  const fs::path d = prefix.addDrive('D');
  EXPECT_EQ(prefix.mapper().toWindows(d / "Datos" / "a.txt"), "D:\\Datos\\a.txt");
}

TEST_F(PathMapperTest, ReverseMappingWithoutDosdevicesFallsBackToZ) {
  EXPECT_EQ(prefix.mapper().toWindows(driveC() / "Fendal"), "C:\\Fendal");
  EXPECT_EQ(prefix.mapper().toWindows("/etc"), "Z:\\etc");
}

TEST(PathMapperEnvironment, PrefixIsWineprefixOrHomeWine) {
  const char* saved = std::getenv("WINEPREFIX");
  const std::string before = saved != nullptr ? saved : "";
  ::setenv("WINEPREFIX", "/tmp/some-prefix", 1);
  EXPECT_EQ(PathMapper::fromEnvironment().prefix(), fs::path("/tmp/some-prefix"));
  ::unsetenv("WINEPREFIX");
  if (const char* home = std::getenv("HOME")) {
    EXPECT_EQ(PathMapper::fromEnvironment().prefix(), fs::path(home) / ".wine");
  }
  if (saved != nullptr) {
    ::setenv("WINEPREFIX", before.c_str(), 1);
  }
}

}  // namespace
}  // namespace fd
