#include <gtest/gtest.h>

#include "PackageTestSupport.h"
#include "fixtures/PackageBuilder.h"
#include "platform/Text.h"

namespace fd::test {
namespace {

using Ending = PackageExtraction::Outcome::Ending;

class Extraction : public ::testing::Test {
 protected:
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

TEST_F(Extraction, BadArchivesNeverWriteOutsideTheirFolderAndTheRestGoesOn) {
  packages().make("COMERCIAL_1_0_0_malo.rar",
                  {{"info.txt", "[Destino]\r\n"}, {"../../fuera.txt", "x"}, {"sub/bien.dll", "b"}});
  f.writeFile(f.act() + "CRM_1_0_0_roto.rar", "esto no es un rar");
  start();
  const PackageExtraction::Outcome outcome = w().cmdDes_Click();
  EXPECT_FALSE(f.exists(f.root() + "fuera.txt"));
  EXPECT_FALSE(f.exists(f.act() + "fuera.txt"));
  EXPECT_EQ(f.readFile(f.act() + "COMERCIAL_1_0_0_malo\\bien.dll"), "b");
  // The broken package has no manifest: its message comes after the six attempts.
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt.find("No se pudo leer el archivo " + f.act() +
                                               "CRM_1_0_0_roto\\info.txt"),
            0u);
  EXPECT_EQ(outcome.ending, Ending::Failed);
  EXPECT_EQ(outcome.message, f.desktop.boxes.back().prompt);
  EXPECT_TRUE(w().cmdAct.Enabled());
}

TEST_F(Extraction, ExtractingAgainRemovesTheBackupsOfTheEarlierExtraction) {
  packages().make("CRM_1_9_3_a.rar", {{"info.txt", "[Destino]\r\nMANTEN_x.sql=\r\n"},
                                      {"MANTEN_x.sql", "USE %Catalogo%"},
                                      {"nota.old", "del paquete"}});
  f.writeFile(f.act() + "CRM_1_9_3_a\\MANTEN_x.old", "USE Ventas");
  start();
  w().cmdDes_Click();
  EXPECT_FALSE(f.exists(f.act() + "CRM_1_9_3_a\\MANTEN_x.old"));
  EXPECT_EQ(f.readFile(f.act() + "CRM_1_9_3_a\\nota.old"), "del paquete");
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
