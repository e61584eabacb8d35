// mkrar's archives read by other readers than our own: libarchive (through Winrar95.exe) and unar.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ToolTestSupport.h"
#include "fixtures/Sha256.h"
#include "fixtures/TempPrefix.h"

namespace fd {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

std::string randomBytes(std::size_t size) {
  std::mt19937 engine(12345);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(engine() & 0xFF);
  }
  return bytes;
}

class MkrarTest : public ::testing::Test {
 protected:
  MkrarTest() : folder_(makeTempFolder("mkrar")) {}
  ~MkrarTest() override { removeTree(folder_); }

  std::string source(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_ / "src" / name;
    writeHostFile(path, bytes);
    return path.string();
  }
  fs::path archive() const { return folder_ / "p.rar"; }

  ToolRun mkrar(std::vector<std::string> entries) {
    entries.insert(entries.begin(), archive().string());
    return runTool("mkrar", entries);
  }

  fs::path folder_;
};

const std::string kLarge = randomBytes(300000);

TEST_F(MkrarTest, WritesArchivesThatLibarchiveReads) {
  ASSERT_EQ(mkrar({"-n", "texto.txt", source("t", "hola\r\n"), "-n", "vacío.txt", source("v", ""),
                   "-n", "bin/grande.bin", source("g", kLarge)})
                .exitCode,
            0);

  const ToolRun run =
      runTool("Winrar95.exe", {"e", "-o+", archive().string(), (folder_ / "out").string()});

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(treeOf(folder_ / "out"), (Tree{{"texto.txt", sha256Hex("hola\r\n")},
                                           {"vacío.txt", sha256Hex("")},
                                           {"grande.bin", sha256Hex(kLarge)}}));
}

TEST_F(MkrarTest, WritesArchivesThatUnarReadsWithFoldersAndAccents) {
  const fs::path unar = findOnPath("unar");
  const fs::path lsar = findOnPath("lsar");
  if (unar.empty() || lsar.empty()) {
    GTEST_SKIP() << "unar and lsar are not installed";
  }
  ASSERT_EQ(mkrar({"-d", "RPT", "-n", "RPT/Informe año.rpt", source("i", "informe"), "-d", "vacía",
                   "-n", "Comercial.exe", source("c", kLarge), "-n", "con espacios y ñ.sql",
                   source("s", "PRINT 'hola'\r\nGO\r\n")})
                .exitCode,
            0);

  const ToolRun test = runProgram(lsar, {"-t", archive().string()});
  const ToolRun extract =
      runProgram(unar, {"-q", "-D", "-o", (folder_ / "out").string(), archive().string()});

  EXPECT_EQ(test.exitCode, 0) << test.output << test.errorOutput;
  EXPECT_NE(test.output.find("5 passed, 0 failed"), std::string::npos) << test.output;
  EXPECT_EQ(extract.exitCode, 0) << extract.errorOutput;
  EXPECT_EQ(treeOf(folder_ / "out"),
            (Tree{{"RPT", "<folder>"},
                  {"RPT/Informe año.rpt", sha256Hex("informe")},
                  {"vacía", "<folder>"},
                  {"Comercial.exe", sha256Hex(kLarge)},
                  {"con espacios y ñ.sql", sha256Hex("PRINT 'hola'\r\nGO\r\n")}}));
}

TEST_F(MkrarTest, StoresDataUncompressedAfterTheRar5Signature) {
  ASSERT_EQ(mkrar({source("a.txt", "texto sin comprimir")}).exitCode, 0);

  const std::string bytes = readHostFile(archive());

  EXPECT_EQ(bytes.substr(0, 8), std::string("Rar!\x1A\x07\x01\x00", 8));
  EXPECT_NE(bytes.find("a.txt"), std::string::npos);
  EXPECT_NE(bytes.find("texto sin comprimir"), std::string::npos);
}

TEST_F(MkrarTest, ExplainsItsOptionsOnHelp) {
  const ToolRun run = runTool("mkrar", {"--help"});

  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("-n NOMBRE RUTA"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("-d NOMBRE"), std::string::npos) << run.output;
}

TEST_F(MkrarTest, LeavesNoArchiveWhenItCannotFinish) {
  const std::vector<std::vector<std::string>> failures = {
      {"-n", "a.txt", (folder_ / "no_existe").string()},
      {"-n", "a.txt"},
      {"-x"},
      {"-t", "ayer", source("a", "a")}};
  for (const auto& entries : failures) {
    const ToolRun run = mkrar(entries);
    EXPECT_NE(run.exitCode, 0) << ::testing::PrintToString(entries);
    EXPECT_FALSE(run.errorOutput.empty());
    EXPECT_FALSE(fs::exists(archive())) << ::testing::PrintToString(entries);
  }
}

}  // namespace
}  // namespace fd
