#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "PackageTestSupport.h"
#include "fixtures/PackageBuilder.h"
#include "platform/Text.h"

namespace fd::test {
namespace {

using Ending = PackageExtraction::Outcome::Ending;

class Extraction : public ::testing::Test {
 public:
  void SetUp() override { f.makeFolder(f.fendal() + "CRM"); }
  void start(bool withExtractor = true) {
    f.makeFolder(f.programFolder);
    if (withExtractor)
      packages().installTool("Winrar95.exe");
    f.started();
    boxes = f.desktop.boxes.size();
  }
  PackageBuilder packages() { return PackageBuilder(f, f.programFolder); }
  frmActualiza1& w() { return f.window(); }
  UpdaterFixture f;
  std::size_t boxes = 0;
};

TEST_F(Extraction, ExtractsEveryPackageAndFillsTheWorkLists) {
  const long long older = 1'700'000'000;
  packages().make("COMERCIAL_5_2_7_x.rar",
                  {{"info.txt",
                    "[Destino]\r\nComercial.exe=<Destino>\r\nx.dll=<Unidad>\\Fendal\\Comun\\\r\n"
                    "x.dll=<Destino>Bin\\\r\nInstalar.cfd=\r\n02_b.sql=\r\n01_a.sql=\r\n"
                    "L\xE9\x61me con espacios.txt=<Destino>\\Docs\\\r\n",
                    older},
                   {"bin/Comercial.exe", "exe", older},
                   {"x.dll", "dll", older},
                   {"Instalar.cfd", "MAKEDIR %PathFD%Nueva\r\n", older},
                   {"02_b.sql", "PRINT 'b'", older},
                   {"01_a.sql", "PRINT 'a'", older},
                   {"Léame con espacios.txt", "hola", older}});
  packages().make("CRM_1_9_3_a.rar", {{"INFO.TXT", "[destino]\r\nzz.sql=\r\n", older},
                                      {"zz.sql", "PRINT 'z'", older}});
  start();
  EXPECT_EQ(w().cmdDes_Click().ending, Ending::Done);

  const std::string tmp = f.act() + "COMERCIAL_5_2_7_x\\";
  EXPECT_EQ(f.readFile(tmp + "Comercial.exe"), "exe");
  const std::vector<std::string> extraction = logTextsFrom(f, " Descomprimir");
  ASSERT_GT(extraction.size(), 3u);
  const std::string winrar = " " + f.act() + "Winrar95.exe e -o+ " + f.act();
  EXPECT_EQ(extraction[1], winrar + "COMERCIAL_5_2_7_x.rar " + f.act() + "COMERCIAL_5_2_7_x");
  EXPECT_EQ(extraction[2], winrar + "CRM_1_9_3_a.rar " + f.act() + "CRM_1_9_3_a");
  EXPECT_EQ(extraction[3], " LeerFiles");

  const std::string fecha = w().flxFile.TextMatrix(1, kFileDate);
  // By destination, the last first: where the drive's own folder (<Unidad>) falls among the
  // suite's depends on where the suite's root lies.
  std::vector<Row> expected{{"", "Léame con espacios.txt", fecha, f.fendal() + "Comercial\\Docs\\"},
                            {"", "x.dll", fecha, f.fendal() + "Comercial\\Bin\\"},
                            {"", "Comercial.exe", fecha, f.fendal() + "Comercial\\"},
                            {"", "Instalar.cfd", fecha, ""}};
  const Row comun{"", "x.dll", fecha, "C:\\Fendal\\Comun\\"};
  expected.insert(comun[3] > expected[0][3] ? expected.begin() : expected.end() - 1, comun);
  for (std::size_t i = 0; i < expected.size(); ++i)
    expected[i][0] = std::to_string(i + 1);
  EXPECT_EQ(gridRows(w().flxFile, {kFileNumber, kFileName, kFileDate, kFileDestination}), expected);
  EXPECT_EQ(gridColumn(w().flxScrp, kScriptName), (Row{"01_a.sql", "02_b.sql", "zz.sql"}));
  EXPECT_EQ(w().flxScrp.TextMatrix(3, kScriptSource), f.act() + "CRM_1_9_3_a\\zz.sql");
  EXPECT_TRUE(w().cmdDes.Enabled());
  EXPECT_TRUE(w().cmdAct.Enabled());
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
}

TEST_F(Extraction, MissingExtractorIsNamedAndTheButtonsStayDisabled) {
  packages().make("CRM_1_9_3_a.rar", {{"info.txt", ""}});
  start(false);
  const PackageExtraction::Outcome outcome = w().cmdDes_Click();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(outcome.ending, Ending::Failed);
  EXPECT_EQ(outcome.message, f.desktop.boxes.back().prompt);
  EXPECT_EQ(f.desktop.boxes.back().prompt,
            "Actualizar : (53) No se encontró el archivo. FALTA EL Archivo WinRar95.exe en la "
            "carpeta Actualizar.");
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kQuestion);
  EXPECT_FALSE(w().cmdDes.Enabled());
  EXPECT_FALSE(w().cmdAct.Enabled());
  EXPECT_EQ(f.logCount(" LeerFiles"), 0);
}

TEST_F(Extraction, WithoutPackagesOnlySaysSo) {
  start();
  const PackageExtraction::Outcome outcome = w().cmdDes_Click();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "No hay ninguna Actualización");
  EXPECT_EQ(outcome.ending, Ending::NoPackages);
  EXPECT_EQ(outcome.message, f.desktop.boxes.back().prompt);
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kInformation);
  EXPECT_EQ(f.logTexts().back(), " Cargar Paquetes");
}

struct SpacedCase {
  std::string name;
  std::string folder;  // the updater's, below the fixture's root
  std::string package;
  std::string line;  // "<F>" stands for the updater's folder
};

class SpacedPaths : public Extraction, public ::testing::WithParamInterface<SpacedCase> {};

TEST_P(SpacedPaths, AreQuotedAndExtracted) {
  f.programFolder = f.root() + GetParam().folder;
  packages().make(GetParam().package, {{"info.txt", "[Destino]\r\n"}, {"a.dll", "a"}});
  start();
  w().cmdDes_Click();
  const std::string target = dropRightBytes(GetParam().package, 4);
  EXPECT_EQ(f.readFile(f.programFolder + "\\" + target + "\\a.dll"), "a");
  EXPECT_EQ(w().flxFile.Rows(), 2);
  const std::vector<std::string> extraction = logTextsFrom(f, " Descomprimir");
  ASSERT_GT(extraction.size(), 1u);
  EXPECT_EQ(extraction[1], replaceAll(GetParam().line, "<F>", f.programFolder));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SpacedPaths,
    ::testing::Values(
        SpacedCase{"UpdaterFolder", "Mi Actualizador", "CRM_1_9_3_a.rar",
                   " \"<F>\\Winrar95.exe\" e -o+ \"<F>\\CRM_1_9_3_a.rar\" \"<F>\\CRM_1_9_3_a\""},
        SpacedCase{"PackageName", "Act", "CRM_1_9_3_mi version.rar",
                   " <F>\\Winrar95.exe e -o+ \"<F>\\CRM_1_9_3_mi version.rar\" "
                   "\"<F>\\CRM_1_9_3_mi version\""}),
    [](const auto& info) { return info.param.name; });

struct BadPackageCase {
  std::string name;
  std::string package;
  // Spoils the package after it was made; false where the host cannot do it.
  std::function<bool(Extraction&)> spoil;
  std::string why;  // how the log line's reason begins
};

class BadPackages : public Extraction, public ::testing::WithParamInterface<BadPackageCase> {};

TEST_P(BadPackages, AreNotAppliedAndTheOthersAre) {
  const BadPackageCase& c = GetParam();
  packages().make("CRM_1_9_3_a.rar", {{"info.txt", "[Destino]\r\nzz.sql=\r\n"},
                                      {"../../fuera.txt", "x"},
                                      {"sub/bien.dll", "b"},
                                      {"zz.sql", "PRINT 'z'"}});
  f.writeFile(f.root() + "Fuera\\queda.txt", "queda");
  try {
    packages().make(c.package, {{"info.txt", "[Destino]\r\n01.sql=\r\n"},
                                {"a.dll", "contenido de a.dll"},
                                {"01.sql", "PRINT 'a'"},
                                {"z.dll", std::string(600, 'z')}});
  } catch (const std::exception&) {
    GTEST_SKIP() << "the host refuses such names itself";
  }
  if (c.spoil && !c.spoil(*this))
    GTEST_SKIP() << "the host cannot spoil it so";
  start();
  EXPECT_EQ(w().cmdDes_Click().ending, Ending::Done);

  EXPECT_EQ(w().state.failedPackages, std::vector<std::string>{c.package});
  for (int row = 1; row < w().flxRar.Rows(); ++row) {
    const bool bad = w().flxRar.TextMatrix(row, kRarPackage) == c.package;
    EXPECT_EQ(w().flxRar.CellBackColor(row, kRarTemporaryPath),
              bad ? colors::kLightRed : colors::kWhite);
  }
  const std::string line = " ERROR No se pudo descomprimir " + c.package + ": " + c.why;
  const std::vector<std::string> texts = f.logTexts();
  const auto logged = std::find_if(texts.begin(), texts.end(),
                                   [&](const std::string& t) { return t.starts_with(line); });
  ASSERT_NE(logged, texts.end()) << line;
  EXPECT_TRUE(logged->ends_with(". El paquete no se aplicará.")) << *logged;
  for (const Row& row : gridRows(w().flxFile, {kFileSource}))
    EXPECT_TRUE(row[0].starts_with(f.act() + "CRM_1_9_3_a\\")) << row[0];
  EXPECT_EQ(gridColumn(w().flxFile, kFileName), (Row{"bien.dll", "fuera.txt"}));
  EXPECT_EQ(gridColumn(w().flxScrp, kScriptName), Row{"zz.sql"});
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
  EXPECT_FALSE(f.exists(f.root() + "fuera.txt"));
  EXPECT_EQ(f.readFile(f.root() + "Fuera\\queda.txt"), "queda");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadPackages,
    ::testing::Values(
        BadPackageCase{"CutShort", "COMERCIAL_5_2_7_x.rar",
                       [](Extraction& t) {
                         t.packages().damage("COMERCIAL_5_2_7_x.rar", std::string(600, 'z'),
                                             PackageBuilder::Damage::CutShort);
                         return true;
                       },
                       "Winrar95.exe terminó con el código "},
        BadPackageCase{"OneByteChanged", "COMERCIAL_5_2_7_x.rar",
                       [](Extraction& t) {
                         t.packages().damage("COMERCIAL_5_2_7_x.rar", "contenido de a.dll",
                                             PackageBuilder::Damage::ByteChanged);
                         return true;
                       },
                       "Winrar95.exe terminó con el código 3: Winrar95: "},
        BadPackageCase{"NotARar", "COMERCIAL_5_2_7_x.rar",
                       [](Extraction& t) {
                         t.f.writeFile(t.f.act() + "COMERCIAL_5_2_7_x.rar", "esto no es un rar");
                         return true;
                       },
                       "Winrar95.exe terminó con el código "},
        BadPackageCase{"QuoteInName", "COMERCIAL\" -y \"_5_2_7.rar", nullptr,
                       "su nombre no puede ir en la línea de órdenes de Winrar95.exe"},
        BadPackageCase{"FolderIsALink", "COMERCIAL_5_2_7_x.rar",
                       [](Extraction& t) {
                         std::error_code error;
                         std::filesystem::create_directory_symlink(
                             t.f.host(t.f.root() + "Fuera"),
                             t.f.host(t.f.act() + "COMERCIAL_5_2_7_x"), error);
                         return !error;
                       },
                       "su carpeta "}),
    [](const auto& info) { return info.param.name; });

// A command file's log and a script's backup left by an earlier run would pass for the
// package's own files.
TEST_F(Extraction, ExtractingAgainStartsFromAnEmptyFolder) {
  packages().make("CRM_1_9_3_a.rar", {{"info.txt", "[Destino]\r\nMANTEN_x.sql=\r\nAlta.cfd=\r\n"},
                                      {"MANTEN_x.sql", "USE %Catalogo%"},
                                      {"Alta.cfd", "MAKEDIR %PathFD%Nueva\r\n"},
                                      {"nota.old", "del paquete"}});
  f.writeFile(f.act() + "CRM_1_9_3_a\\MANTEN_x.old", "USE Ventas");
  f.writeFile(f.act() + "CRM_1_9_3_a\\Alta.log", "de la vez anterior");
  start();
  EXPECT_EQ(w().cmdDes_Click().ending, Ending::Done);
  EXPECT_FALSE(f.exists(f.act() + "CRM_1_9_3_a\\MANTEN_x.old"));
  EXPECT_FALSE(f.exists(f.act() + "CRM_1_9_3_a\\Alta.log"));
  EXPECT_EQ(f.readFile(f.act() + "CRM_1_9_3_a\\nota.old"), "del paquete");
  EXPECT_EQ(gridColumn(w().flxFile, kFileName), (Row{"nota.old", "Alta.cfd"}));
  EXPECT_TRUE(w().state.failedPackages.empty());
}

TEST_F(Extraction, ASecondClickDuringTheManifestWaitsIsIgnored) {
  packages().make("CRM_1_9_3_a.rar", {{"a.dll", "a"}});
  start();
  int clicks = 0;
  f.desktop.onEvents = [&] {
    if (clicks++ == 0) {
      EXPECT_EQ(w().cmdDes_Click().ending, Ending::NotRun);
    }
  };
  w().cmdDes_Click();
  EXPECT_EQ(f.logCount(" Descomprimir"), 1);
  EXPECT_EQ(f.logCount(" LeerFiles"), 1);
}

}  // namespace
}  // namespace fd::test
