// Package discovery and the manifest reader end to end on the real Windows file system: the
// packages found in the updater's folder at start-up, and their extracted folders read into the
// file and script grids.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "Win32UpdaterFixture.h"
#include "grid/Grid.h"
#include "platform/win32/Win32Text.h"

namespace fd::test {
namespace {

using Row = std::vector<std::string>;

std::vector<Row> rows(const Grid& grid, const std::vector<int>& cols) {
  std::vector<Row> found;
  for (int r = 1; r < grid.Rows(); ++r) {
    Row row;
    for (int c : cols) {
      row.push_back(grid.TextMatrix(r, c));
    }
    found.push_back(row);
  }
  return found;
}

// Every column of the package grid; the file grid without its dates (they are the files' own).
const std::vector<int> kPackageCols{0, 1, 2, 3, 4, 5};
const std::vector<int> kFileCols{0, 1, 3, 4, 5, 6};
const std::vector<int> kScriptCols{0, 1, 3, 4, 5};

struct DiscoveryCase {
  std::string name;
  std::vector<std::string> files;    // written in the updater's folder
  std::vector<std::string> folders;  // made there (extracted packages)
  // The package grid with "ACT\" and "FD\" standing for the updater's folder and the root.
  std::vector<Row> expected;
};

void PrintTo(const DiscoveryCase& c, std::ostream* out) {
  *out << c.name;
}

class Win32Discovery : public ::testing::TestWithParam<DiscoveryCase> {
 protected:
  std::string expand(const std::string& cell) const {
    if (cell.starts_with("ACT\\")) {
      return f.act() + cell.substr(4);
    }
    return cell.starts_with("FD\\") ? f.fendal() + cell.substr(3) : cell;
  }
  Win32UpdaterFixture f;
};

// Names are listed from the system's own folder listing; "*.rar" matches whatever the letter
// case of the extension, and names outside ASCII come back whole from the wide functions.
TEST_P(Win32Discovery, ListsSortsAndNumbersThePackagesAtStartUp) {
  for (const std::string& name : GetParam().files) {
    Win32UpdaterFixture::writeFile(f.act() + name, "");
  }
  for (const std::string& name : GetParam().folders) {
    std::filesystem::create_directories(std::filesystem::path(widen(f.act() + name)));
  }
  std::vector<Row> expected = GetParam().expected;
  for (Row& row : expected) {
    std::transform(row.begin(), row.end(), row.begin(),
                   [&](const std::string& cell) { return expand(cell); });
  }
  frmActualiza1& w = f.window();
  EXPECT_EQ(rows(w.flxRar, kPackageCols), expected);
  EXPECT_EQ(w.cmdDes.Enabled(), !expected.empty());
  EXPECT_EQ(w.cmdAct.Enabled(), !expected.empty());
  // The start-up logs each package it lists after the heading.
  const std::vector<std::string> texts = f.logTexts();
  const auto cargar = std::find(texts.begin(), texts.end(), " Cargar Paquetes");
  ASSERT_NE(cargar, texts.end());
  EXPECT_EQ(texts.end() - cargar, static_cast<long>(expected.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Win32Discovery,
    ::testing::Values(
        DiscoveryCase{
            "SortedBySystemThenVersion",
            {"comercial_5_2_7_base.rar", "CRM_1_10_0_b.rar", "CRM_1_9_3_a.rar",
             "CONTABILIDAD_3_1_0_año.rar", "mayus.RAR", "leeme.txt", "CRM.rar.bak"},
            {"CRM_1_9_3_a", "viejo.rar"},
            {{"1", "comercial_5_2_7_base.rar", "COMERCIAL", "05.02.007", "FD\\Comercial\\",
              "ACT\\comercial_5_2_7_base\\"},
             {"2", "CONTABILIDAD_3_1_0_año.rar", "CONTABILIDAD", "03.01.000", "FD\\Contabilidad\\",
              "ACT\\CONTABILIDAD_3_1_0_año\\"},
             {"3", "CRM_1_9_3_a.rar", "CRM", "01.09.003", "FD\\CRM\\", "ACT\\CRM_1_9_3_a\\"},
             {"4", "CRM_1_10_0_b.rar", "CRM", "01.10.000", "FD\\CRM\\", "ACT\\CRM_1_10_0_b\\"},
             {"5", "mayus.RAR", "MAYUS.RAR", "..", "FD\\", "ACT\\mayus\\"}}},
        // The system's code is upper-cased letter by letter, Latin-1 letters included.
        DiscoveryCase{
            "NamesOutsideTheScheme",
            {"Crm_12_0_1234_x.rar", "señal_1_2_3_x.RAR", "COM_MEDIO_1_2_3_x.rar"},
            {},
            {{"1", "COM_MEDIO_1_2_3_x.rar", "COM", "MEDIO.01.002", "FD\\Comercial\\",
              "ACT\\COM_MEDIO_1_2_3_x\\"},
             {"2", "Crm_12_0_1234_x.rar", "CRM", "12.00.1234", "FD\\CRM\\",
              "ACT\\Crm_12_0_1234_x\\"},
             {"3", "señal_1_2_3_x.RAR", "SEÑAL", "01.02.003", "FD\\", "ACT\\señal_1_2_3_x\\"}}},
        DiscoveryCase{"NoPackage", {"leeme.txt"}, {"CRM_1_9_3_a"}, {}}),
    [](const auto& info) { return info.param.name; });

// Windows keeps one file per name whatever its letter case: a package written again under
// another case is the same package, listed once under the name it was first given. (A POSIX
// folder can hold both names side by side, and both would be listed there.)
TEST(Win32DiscoveryCase, ANameInAnotherCaseIsTheSamePackage) {
  Win32UpdaterFixture f;
  Win32UpdaterFixture::writeFile(f.act() + "CRM_1_9_3_a.rar", "uno");
  Win32UpdaterFixture::writeFile(f.act() + "crm_1_9_3_A.RAR", "dos");
  frmActualiza1& w = f.window();
  ASSERT_EQ(w.flxRar.Rows(), 2);
  EXPECT_EQ(w.flxRar.TextMatrix(1, 1), "CRM_1_9_3_a.rar");
  EXPECT_EQ(Win32UpdaterFixture::readFile(f.act() + "CRM_1_9_3_a.rar"), "dos");
}

class Win32Manifests : public ::testing::Test {
 protected:
  // Lists the packages at start-up; their folders are then filled as extraction would.
  void start(const std::vector<std::string>& packages) {
    for (const std::string& name : packages) {
      Win32UpdaterFixture::writeFile(f.act() + name + ".rar", "");
    }
    w();
  }
  // Writes a file of an extracted package, as old as asked.
  void put(const std::string& package, const std::string& file, const std::string& content = "x",
           int ageSeconds = 100) {
    const std::string path = f.act() + package + "\\" + file;
    Win32UpdaterFixture::writeFile(path, content);
    std::filesystem::last_write_time(
        std::filesystem::path(widen(path)),
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
  }
  frmActualiza1& w() { return f.window(); }
  std::string tmp(const std::string& package) const { return f.act() + package + "\\"; }
  std::string comercial() const { return f.fendal() + "Comercial\\"; }

  Win32UpdaterFixture f;
};

TEST_F(Win32Manifests, FileWithoutEntryGoesToTheApplicationFolderAndIsNotAScript) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\nComercial.exe=<Destino>\r\n");
  put("COMERCIAL_5_2_7_x", "Comercial.exe");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  w().LeerFiles();
  const std::string t = tmp("COMERCIAL_5_2_7_x");
  const std::string app = comercial();
  EXPECT_EQ(rows(w().flxFile, kFileCols),
            (std::vector<Row>{
                {"1", "01_alta.sql", t + "01_alta.sql", app, ".sql", app + "01_alta.sql"},
                {"2", "Comercial.exe", t + "Comercial.exe", app, ".exe", app + "Comercial.exe"}}));
  EXPECT_EQ(w().flxScrp.Rows(), 1);
  EXPECT_TRUE(w().cmdDes.Enabled());
  EXPECT_TRUE(w().cmdAct.Enabled());
  // Each file's date is the system's own time of the file, in the grid's date form.
  EXPECT_FALSE(w().flxFile.TextMatrix(1, 2).empty());
}

// The manifest is found as info.txt whatever the case it was packed with.
TEST_F(Win32Manifests, EmptyDestinationMakesScriptsAndCommandFiles) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "INFO.TXT",
      "[DESTINO]\r\n01_alta.sql=\r\nInstalar.cfd=\r\nlimpiar.bat=\r\n");
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  put("COMERCIAL_5_2_7_x", "Instalar.cfd");
  put("COMERCIAL_5_2_7_x", "limpiar.bat");
  w().LeerFiles();
  const std::string t = tmp("COMERCIAL_5_2_7_x");
  EXPECT_EQ(rows(w().flxScrp, kScriptCols),
            (std::vector<Row>{{"1", "01_alta.sql", t + "01_alta.sql", "", ".sql"}}));
  EXPECT_EQ(rows(w().flxFile, kFileCols),
            (std::vector<Row>{{"1", "Instalar.cfd", t + "Instalar.cfd", "", ".cfd", "Instalar.cfd"},
                              {"2", "limpiar.bat", t + "limpiar.bat", "", ".bat", "limpiar.bat"}}));
}

struct DestinationCase {
  std::string name;
  std::string manifest;
  // Of x.dll, sorted descending as the grid is; "APP\" is the package's application folder
  // and "DRIVE" its drive (the temporary folder's, C: under Wine). The application folder lies
  // below the system's temporary folder here, so a folder at the drive's root must sort after
  // "C:\users" and "C:\windows" to keep its place ahead of it.
  std::vector<std::string> destinations;
};

void PrintTo(const DestinationCase& c, std::ostream* out) {
  *out << c.name;
}

class Win32Destinations : public Win32Manifests,
                          public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(Win32Destinations, ResolveThePlaceholdersOfEachEntry) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", GetParam().manifest);
  put("COMERCIAL_5_2_7_x", "x.dll");
  w().LeerFiles();
  std::vector<std::string> expected;
  for (const std::string& d : GetParam().destinations) {
    if (d.starts_with("APP\\")) {
      expected.push_back(comercial() + d.substr(4));
    } else if (d.starts_with("DRIVE")) {
      expected.push_back(comercial().substr(0, 2) + d.substr(5));
    } else {
      expected.push_back(d);
    }
  }
  std::vector<std::string> found;
  for (int r = 1; r < w().flxFile.Rows(); ++r) {
    found.push_back(w().flxFile.TextMatrix(r, 4));
  }
  EXPECT_EQ(found, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, Win32Destinations,
    ::testing::Values(
        DestinationCase{"TwoEntries",
                        "[Destino]\r\nx.dll=<Unidad>\\Zona\\Comun\\\r\nx.dll=<Destino>Bin\\\r\n",
                        {"DRIVE\\Zona\\Comun\\", "APP\\Bin\\"}},
        DestinationCase{
            "DoubleBackslashCleaned", "[Destino]\r\nx.dll=<Destino>\\Sub\\\r\n", {"APP\\Sub\\"}},
        DestinationCase{"KeyInOtherCase", "[Destino]\r\nX.DLL=D:\\Otro\\\r\n", {"D:\\Otro\\"}},
        DestinationCase{"ExactlyDestino", "[destino]\r\nx.dll=<Destino>\r\n", {"APP\\"}},
        DestinationCase{"OtherSectionIgnored", "[Otra]\r\nx.dll=D:\\Otro\\\r\n", {"APP\\"}},
        DestinationCase{"EntriesAboveABadLineUsed",
                        "[Destino]\r\nx.dll=D:\\Otro\\\r\nmala linea\r\nx.dll=D:\\Mas\\\r\n",
                        {"D:\\Otro\\"}},
        // A lone CR ends a line too, as manifests written on old systems have it.
        DestinationCase{"LoneCrLineEnds", "[Destino]\rx.dll=D:\\Otro\\\r", {"D:\\Otro\\"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(Win32Manifests, TheNewestOfTwoPackagesDeliveringOneFileWinsWhateverItsCase) {
  start({"COMERCIAL_5_2_7_a", "COMERCIAL_5_2_8_b"});
  put("COMERCIAL_5_2_7_a", "info.txt", "");
  put("COMERCIAL_5_2_7_a", "Comercial.exe", "old", 1000);
  put("COMERCIAL_5_2_8_b", "info.txt", "");
  put("COMERCIAL_5_2_8_b", "comercial.EXE", "new", 10);
  w().LeerFiles();
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 3), tmp("COMERCIAL_5_2_8_b") + "comercial.EXE");
}

TEST_F(Win32Manifests, ScriptsRunByPackageThenByName) {
  start({"CRM_1_9_3_a", "COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt", "[Destino]\r\n02_b.sql=\r\n01_a.sql=\r\n");
  put("COMERCIAL_5_2_7_x", "02_b.sql");
  put("COMERCIAL_5_2_7_x", "01_a.sql");
  put("CRM_1_9_3_a", "info.txt", "[Destino]\r\nzz.sql=\r\n");
  put("CRM_1_9_3_a", "zz.sql");
  w().LeerFiles();
  EXPECT_EQ(rows(w().flxScrp, {0, 1}),
            (std::vector<Row>{{"1", "01_a.sql"}, {"2", "02_b.sql"}, {"3", "zz.sql"}}));
}

// The manifest is ANSI text while the folder lists wide names: both meet as the same UTF-8.
TEST_F(Win32Manifests, NamesOutsideAsciiMatchTheirAnsiEntriesAndAreLogged) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "info.txt",
      "[Destino]\r\nLe\xF3n.dll=<Destino>Bin\\\r\nPrecio\x80.rpt=<Destino>Informes\\\r\n");
  put("COMERCIAL_5_2_7_x", "León.dll");
  put("COMERCIAL_5_2_7_x", "Precio€.rpt");
  w().LeerFiles();
  const std::vector<std::string> texts = f.logTexts();
  const auto from = std::find(texts.begin(), texts.end(), " LeerFiles");
  ASSERT_NE(from, texts.end());
  EXPECT_EQ(std::vector<std::string>(from, texts.end()),
            (std::vector<std::string>{" LeerFiles", " " + tmp("COMERCIAL_5_2_7_x"),
                                      " " + comercial() + "Bin\\León.dll",
                                      " " + comercial() + "Informes\\Precio€.rpt"}));
  EXPECT_EQ(rows(w().flxFile, {1, 6}),
            (std::vector<Row>{{"Precio€.rpt", comercial() + "Informes\\Precio€.rpt"},
                              {"León.dll", comercial() + "Bin\\León.dll"}}));
}

TEST_F(Win32Manifests, PackageWithoutManifestCopiesEverythingAfterSixAttempts) {
  start({"COMERCIAL_5_2_7_x"});
  put("COMERCIAL_5_2_7_x", "01_alta.sql");
  const std::size_t boxes = f.desktop.boxes.size();
  const auto before = f.clock.elapsed();
  w().LeerFiles();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt.find("No se pudo leer el archivo " +
                                               tmp("COMERCIAL_5_2_7_x") + "info.txt"),
            0u);
  EXPECT_EQ((f.clock.elapsed() - before).count(), 50'000);
  ASSERT_EQ(w().flxFile.Rows(), 2);
  EXPECT_EQ(w().flxFile.TextMatrix(1, 4), comercial());
  EXPECT_EQ(w().flxScrp.Rows(), 1);
}

}  // namespace
}  // namespace fd::test
