// Winrar95.exe as the updater runs it: "e -o+ ARCHIVE TARGET" with Windows paths on a prefix.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ToolTestSupport.h"
#include "fixtures/RarExpectedTable.h"
#include "fixtures/Sha256.h"
#include "fixtures/TempPrefix.h"

namespace fd {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

const fs::path kRarData = fs::path(FD_TESTDATA_DIR) / "rar";

using RealArchiveCase = test::RarExpectedCase;

// Files that a failing archive may leave because the archive holds them whole and unencrypted.
const std::map<std::string, Tree> kWholeFilesOfFailingArchives = {
    {"test_read_format_rar5_encrypted.rar",
     {{"a.txt", "02dc86d8b326a1cd07526f75b66bb7207c43376b21d9ac2c20bfedf510898861"},
      {"c.txt", "0b8a3f12dc4e493b99fb5e0699c96006b51b05c0461c2e048f25d86a50a58eb8"}}},
};

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class RealArchiveTest : public ::testing::TestWithParam<RealArchiveCase> {
 protected:
  TempPrefix prefix_;
};

TEST_P(RealArchiveTest, ExtractsAsTheTableSays) {
  const RealArchiveCase& c = GetParam();
  const std::string archiveText = "C:\\Act\\" + c.archive;
  const std::string targetText = "C:\\Act\\" + fs::path(c.archive).stem().string();
  fs::create_directories(prefix_.host("C:\\Act"));
  fs::copy_file(kRarData / c.archive, prefix_.host(archiveText));

  const ToolRun run =
      runTool("Winrar95.exe", {"e", "-o+", archiveText, targetText}, prefix_.root());

  ASSERT_FALSE(run.timedOut);
  const fs::path target = prefix_.host(targetText);
  const Tree left = fs::exists(target) ? treeOf(target) : Tree{};
  if (c.succeeds) {
    EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
    Tree expected;
    for (const auto& [name, sizeAndSha] : c.files) {
      expected[name] = sizeAndSha.second;
      EXPECT_EQ(fs::file_size(target / name), sizeAndSha.first) << name;
    }
    EXPECT_EQ(left, expected);
  } else {
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
    EXPECT_FALSE(firstLine(run.errorOutput).empty());
    const auto whole = kWholeFilesOfFailingArchives.find(c.archive);
    for (const auto& [name, sha] : left) {
      ASSERT_TRUE(whole != kWholeFilesOfFailingArchives.end() && whole->second.count(name) != 0)
          << "left behind: " << name;
      EXPECT_EQ(sha, whole->second.at(name)) << name;
    }
  }
  // Nothing beside the target folder either.
  EXPECT_EQ(std::distance(fs::directory_iterator(prefix_.host("C:\\Act")), {}),
            fs::exists(target) ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(RarMadeArchives, RealArchiveTest,
                         ::testing::ValuesIn(test::loadRarExpectedTable(kRarData / "expected.tsv")),
                         [](const ::testing::TestParamInfo<RealArchiveCase>& info) {
                           return rarCaseName(info.param);
                         });

// Archives made with mkrar in a temporary prefix, extracted from C:\Act into C:\Act\out.
class WinrarExtractTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(act()); }

  fs::path act() const { return prefix_.host("C:\\Act"); }
  fs::path target() const { return act() / "out"; }

  // A source file with the given bytes, for mkrar to store.
  std::string source(const std::string& name, const std::string& bytes) {
    const fs::path path = prefix_.root() / "src" / name;
    writeHostFile(path, bytes);
    return path.string();
  }

  void makeArchive(const std::vector<std::string>& entries, const std::string& name = "p.rar") {
    std::vector<std::string> args = {(act() / name).string()};
    args.insert(args.end(), entries.begin(), entries.end());
    const ToolRun run = runTool("mkrar", args);
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  }

  ToolRun extract(const std::string& archiveText = "C:\\Act\\p.rar",
                  const std::string& targetText = "C:\\Act\\out") {
    return runTool("Winrar95.exe", {"e", "-o+", archiveText, targetText}, prefix_.root());
  }

  std::string archiveBytes(const std::string& name = "p.rar") const {
    return readHostFile(act() / name);
  }
  void replaceArchive(const std::string& bytes, const std::string& name = "p.rar") const {
    writeHostFile(act() / name, bytes);
  }

  TempPrefix prefix_;
};

TEST_F(WinrarExtractTest, DropsStoredFoldersAndEveryWayOutOfTheTarget) {
  const std::string text = source("t.txt", "contenido");
  makeArchive({"-n",
               "../evil.txt",
               text,
               "-n",
               "a/../../x.txt",
               text,
               "-n",
               "/etc/abs.txt",
               text,
               "-n",
               "..\\win.txt",
               text,
               "-n",
               "D:\\Windows\\drive.txt",
               text,
               "-n",
               "..",
               text,
               "-n",
               "sub/..",
               text,
               "-n",
               ".",
               text,
               "-n",
               "sub/",
               text,
               "-d",
               "..",
               "-d",
               "../fuera",
               "-d",
               "sub",
               "-n",
               "sub/dentro.txt",
               text});
  const Tree before = treeOf(prefix_.root());

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  const std::string sha = sha256Hex("contenido");
  EXPECT_EQ(treeOf(target()), (Tree{{"evil.txt", sha},
                                    {"x.txt", sha},
                                    {"abs.txt", sha},
                                    {"win.txt", sha},
                                    {"drive.txt", sha},
                                    {"dentro.txt", sha}}));
  Tree after = treeOf(prefix_.root());
  std::erase_if(after, [](const auto& item) { return item.first.starts_with("drive_c/Act/out"); });
  EXPECT_EQ(after, before);
}

// Such names would reach the updater's grid rows and command lines; "d.txt:flujo" would be a
// hidden stream of d.txt on Windows.
TEST_F(WinrarExtractTest, RefusesNamesWindowsWouldRefuse) {
  const std::string text = source("t.txt", "contenido");
  makeArchive({"-n", "a\tb.txt", text, "-n", "c\" -y \".txt", text, "-n", "d.txt:flujo", text, "-n",
               "ok.txt", text});

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 9) << run.errorOutput;
  EXPECT_EQ(firstLine(run.errorOutput),
            "Winrar95: a?b.txt no se extrae: su nombre tiene caracteres que Windows no admite "
            "(y 2 errores más)");
  EXPECT_EQ(treeOf(target()), (Tree{{"ok.txt", sha256Hex("contenido")}}));
}

// libarchive cannot read on past an entry without a name, so the archive counts as damaged.
TEST_F(WinrarExtractTest, StopsAtAnEntryWithoutAName) {
  makeArchive({"-n", "a.txt", source("a", "a"), "-n", "", source("b", "b"), "-n", "c.txt",
               source("c", "c")});

  const ToolRun run = extract();

  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  EXPECT_EQ(treeOf(target()), (Tree{{"a.txt", sha256Hex("a")}}));
}

TEST_F(WinrarExtractTest, KeepsNamesWithSpacesAndAccentsUpToTheLongestName) {
  // 255 bytes, the most a file name may hold.
  std::string longest;
  while (longest.size() < 250) {
    longest += "ñ";
  }
  longest += "a.txt";
  makeArchive({"-n", "Informe año 2024.rpt", source("1", "uno"), "-n",
               "carpeta con espacio/ñandú café.TXT", source("2", "dos"), "-n", "x/" + longest,
               source("3", "tres")});

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(treeOf(target()), (Tree{{"Informe año 2024.rpt", sha256Hex("uno")},
                                    {"ñandú café.TXT", sha256Hex("dos")},
                                    {longest, sha256Hex("tres")}}));
}

TEST_F(WinrarExtractTest, ReplacesFilesAlreadyThereAndLeavesTheOthers) {
  writeHostFile(target() / "datos.txt", "contenido anterior, más largo que el nuevo");
  writeHostFile(target() / "otro.txt", "de antes");
  makeArchive({"-n", "datos.txt", source("d", "nuevo")});

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(treeOf(target()),
            (Tree{{"datos.txt", sha256Hex("nuevo")}, {"otro.txt", sha256Hex("de antes")}}));
}

TEST_F(WinrarExtractTest, ReplacesAFileWhoseNameDiffersOnlyInCase) {
  writeHostFile(target() / "INFO.TXT", "viejo");
  writeHostFile(target() / "ÁRBOL.txt", "viejo");
  makeArchive({"-n", "info.txt", source("i", "nuevo"), "-n", "árbol.TXT", source("a", "nuevo")});

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(treeOf(target()),
            (Tree{{"INFO.TXT", sha256Hex("nuevo")}, {"ÁRBOL.txt", sha256Hex("nuevo")}}));
}

TEST_F(WinrarExtractTest, GivesEachFileItsStoredModificationTime) {
  makeArchive({"-t", "1700000000", "-n", "fechado.txt", source("f", "x")});

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  struct stat st {};
  ASSERT_EQ(::stat((target() / "fechado.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1700000000);
}

TEST_F(WinrarExtractTest, TakesPathsWithSpacesWithOrWithoutQuotes) {
  fs::create_directories(prefix_.host("C:\\Mi Carpeta"));
  makeArchive({"-n", "a.txt", source("a", "a")}, "../Mi Carpeta/paq uno.rar");

  const ToolRun plain = extract("C:\\Mi Carpeta\\paq uno.rar", "C:\\Mi Carpeta\\paq uno");
  const ToolRun quoted = extract("\"C:\\Mi Carpeta\\paq uno.rar\"", "\"C:\\Mi Carpeta\\dos\\\"");

  EXPECT_EQ(plain.exitCode, 0) << plain.errorOutput;
  EXPECT_EQ(quoted.exitCode, 0) << quoted.errorOutput;
  EXPECT_EQ(treeOf(prefix_.host("C:\\Mi Carpeta\\paq uno")), (Tree{{"a.txt", sha256Hex("a")}}));
  EXPECT_EQ(treeOf(prefix_.host("C:\\Mi Carpeta\\dos")), (Tree{{"a.txt", sha256Hex("a")}}));
}

TEST_F(WinrarExtractTest, TakesHostPaths) {
  makeArchive({"-n", "a.txt", source("a", "a")});

  const ToolRun run = extract((act() / "p.rar").string(), target().string());

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(treeOf(target()), (Tree{{"a.txt", sha256Hex("a")}}));
}

TEST_F(WinrarExtractTest, FailsOnAMissingArchive) {
  const ToolRun run = extract("C:\\Act\\no_existe.rar");

  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.errorOutput.find("C:\\Act\\no_existe.rar"), std::string::npos) << run.errorOutput;
  EXPECT_FALSE(fs::exists(target()) && !fs::is_empty(target()));
}

TEST_F(WinrarExtractTest, FailsOnAFileThatIsNotAnArchive) {
  writeHostFile(act() / "p.rar", "Esto es texto, no un archivo RAR.\r\n");

  const ToolRun run = extract();

  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  EXPECT_FALSE(fs::exists(target()) && !fs::is_empty(target()));
}

TEST_F(WinrarExtractTest, ReportsUsageErrorsWithCodeSeven) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"x", "C:\\Act\\p.rar", "C:\\Act\\out"},
      {"e", "-o+", "C:\\Act\\p.rar"},
      {"e", "-zz", "C:\\Act\\p.rar", "C:\\Act\\out"},
      {"e", "-o+", "C:\\Act\\p.rar", "C:\\Act\\out", "C:\\Act\\otra"}};
  for (const auto& args : usages) {
    const ToolRun run = runTool("Winrar95.exe", args, prefix_.root());
    EXPECT_EQ(run.exitCode, 7) << ::testing::PrintToString(args);
    EXPECT_NE(run.errorOutput.find("Uso: Winrar95.exe e "), std::string::npos) << run.errorOutput;
  }
  EXPECT_FALSE(fs::exists(target()));
}

// Where an archive of two files is cut, and which files must stay because they were whole.
struct CutCase {
  std::string label;
  // Bytes kept, counted back from the end of the archive (second file "b.bin" is last).
  std::size_t cutFromEnd;
  Tree left;
};

class TruncatedArchiveTest : public WinrarExtractTest,
                             public ::testing::WithParamInterface<CutCase> {};

const std::string kSmall = "primer archivo, entero";
const std::string kLarge(100000, 'b');

TEST_P(TruncatedArchiveTest, FailsAndLeavesOnlyWholeFiles) {
  makeArchive({"-n", "a.txt", source("a", kSmall), "-n", "b.bin", source("b", kLarge)});
  const std::string bytes = archiveBytes();
  const std::size_t cut = GetParam().cutFromEnd == 0
                              ? bytes.find("b.bin") + 2  // inside the second file header
                              : bytes.size() - GetParam().cutFromEnd;
  replaceArchive(bytes.substr(0, cut));

  const ToolRun run = extract();

  EXPECT_FALSE(run.timedOut);
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  EXPECT_EQ(treeOf(target()), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, TruncatedArchiveTest,
    ::testing::Values(CutCase{"InSecondHeader", 0, {{"a.txt", sha256Hex(kSmall)}}},
                      CutCase{"InSecondData", 50000, {{"a.txt", sha256Hex(kSmall)}}},
                      CutCase{"BeforeEndHeader",
                              8,
                              {{"a.txt", sha256Hex(kSmall)}, {"b.bin", sha256Hex(kLarge)}}}),
    [](const auto& info) { return info.param.label; });

// Ways the middle entry b.txt of three can fail; a file already at its name is never touched.
struct FailedEntryCase {
  std::string label;
  // b.txt is a RAR 5 file copy of a.txt, or 300 KB of data.
  bool fileCopy = false;
  bool damageData = false;
  // A limit on the size of the files the tool may write, in the shell's blocks.
  int fileSizeLimit = 0;
  int exitCode;
  std::string reason;
  // A file of b.txt's name is there before; without one the failed b.txt leaves nothing.
  bool alreadyThere = true;
};

class FailedEntryTest : public WinrarExtractTest,
                        public ::testing::WithParamInterface<FailedEntryCase> {};

TEST_P(FailedEntryTest, LeavesTheFileAlreadyThereAndNoTemporary) {
  const FailedEntryCase& c = GetParam();
  if (c.alreadyThere) {
    writeHostFile(target() / "b.txt", "de una extracción anterior");
  }
  const std::string b = "DATOS" + std::string(300000, 'x');
  makeArchive({"-n", "a.txt", source("a", "intacto"), c.fileCopy ? "-c" : "-n", "b.txt",
               c.fileCopy ? "a.txt" : source("b", b), "-n", "c.txt",
               source("c", "también intacto")});
  if (c.damageData) {
    std::string bytes = archiveBytes();
    bytes[bytes.find("DATOS")] ^= 0x20;
    replaceArchive(bytes);
  }

  const fs::path tool = fs::path(FD_BIN_DIR) / "Winrar95.exe";
  const ToolRun run =
      c.fileSizeLimit == 0
          ? extract()
          : runProgram(
                "/bin/sh",
                {"-c", "ulimit -f " + std::to_string(c.fileSizeLimit) + " && exec \"$0\" \"$@\"",
                 tool.string(), "e", "-o+", "C:\\Act\\p.rar", "C:\\Act\\out"},
                prefix_.root());

  EXPECT_EQ(run.exitCode, c.exitCode) << run.errorOutput;
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find(c.reason), std::string::npos) << run.errorOutput;
  Tree left{{"a.txt", sha256Hex("intacto")}, {"c.txt", sha256Hex("también intacto")}};
  if (c.alreadyThere) {
    left["b.txt"] = sha256Hex("de una extracción anterior");
  }
  EXPECT_EQ(treeOf(target()), left);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedEntryTest,
    ::testing::Values(FailedEntryCase{"StoredDataFailsItsCrc", false, true, 0, 3, "CRC"},
                      FailedEntryCase{"FileCopyReference", true, false, 0, 2, "copia de a.txt"},
                      FailedEntryCase{"FileSizeLimit", false, false, 64, 9, "tamaño máximo"},
                      FailedEntryCase{"NewNameFailsItsCrc", false, true, 0, 3, "CRC", false},
                      FailedEntryCase{"NewNameOverTheSizeLimit", false, false, 64, 9,
                                      "tamaño máximo", false}),
    [](const auto& info) { return info.param.label; });

// A hard link becomes a copy of the file its target was extracted to; one whose target failed
// writes nothing, and neither takes a file that was already at a name.
TEST_F(WinrarExtractTest, HardLinksCopyOnlyWhatThisExtractionWrote) {
  writeHostFile(target() / "a.txt", "a de antes");
  writeHostFile(target() / "l.txt", "l de antes");
  makeArchive({"-n", "a.txt", source("a", "DATOS dañados"), "-l", "l.txt", "a.txt", "-n", "c.txt",
               source("c", "nuevo"), "-l", "m.txt", "c.txt"});
  std::string bytes = archiveBytes();
  bytes[bytes.find("DATOS")] ^= 0x20;
  replaceArchive(bytes);

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 3) << run.errorOutput;
  EXPECT_EQ(firstLine(run.errorOutput),
            "Winrar95: Error de CRC en a.txt: el archivo está dañado (y 1 error más)");
  EXPECT_EQ(treeOf(target()), (Tree{{"a.txt", sha256Hex("a de antes")},
                                    {"l.txt", sha256Hex("l de antes")},
                                    {"c.txt", sha256Hex("nuevo")},
                                    {"m.txt", sha256Hex("nuevo")}}));
}

// Another program's file under the name the tool would write its temporary file under (which
// holds the tool's process id) is stepped over, neither truncated nor renamed into place.
TEST_F(WinrarExtractTest, StepsOverAFileUnderItsTemporaryName) {
  writeHostFile(target() / "b.txt", "de antes");
  makeArchive({"-n", "b.txt", source("b", "nuevo")});
  const std::string planted = "de otro programa, más largo que el nuevo";

  // The shell plants the file, says its own process id and becomes the tool, which keeps it.
  const ToolRun run = runProgram(
      "/bin/sh",
      {"-c",
       "printf '%s' \"$1\" > \"$2/.Winrar95-$$-0\" && echo $$ && shift 2 && exec \"$0\" \"$@\"",
       (fs::path(FD_BIN_DIR) / "Winrar95.exe").string(), planted, target().string(), "e", "-o+",
       "C:\\Act\\p.rar", "C:\\Act\\out"},
      prefix_.root());

  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  const std::string temporary = ".Winrar95-" + firstLine(run.output) + "-0";
  EXPECT_EQ(treeOf(target()),
            (Tree{{"b.txt", sha256Hex("nuevo")}, {temporary, sha256Hex(planted)}}));
}

// b.txt belongs to another program; the tool runs as another user in a folder it may write but
// perhaps not list (so that the file counts as written there since the folder was read).
struct OtherProgramsFileCase {
  std::string label;
  mode_t folderMode;
  // A sticky folder keeps another user's file from being replaced.
  bool replaced;
};

class OtherProgramsFileTest : public WinrarExtractTest,
                              public ::testing::WithParamInterface<OtherProgramsFileCase> {};

TEST_P(OtherProgramsFileTest, IsReplacedOnlyWholeAndNeverRemoved) {
  const fs::path setpriv = findOnPath("setpriv");
  if (::geteuid() != 0 || setpriv.empty()) {
    GTEST_SKIP() << "needs root and setpriv to run the tool as another user";
  }
  const OtherProgramsFileCase& c = GetParam();
  writeHostFile(target() / "b.txt", "de otro programa");
  makeArchive({"-n", "b.txt", source("b", "nuevo")});
  fs::permissions(prefix_.root(), fs::perms::others_exec, fs::perm_options::add);
  ASSERT_EQ(::chmod(target().c_str(), c.folderMode), 0);

  const ToolRun run = runProgram(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups",
                                           (fs::path(FD_BIN_DIR) / "Winrar95.exe").string(), "e",
                                           "-o+", (act() / "p.rar").string(), target().string()});

  EXPECT_EQ(run.exitCode, c.replaced ? 0 : 9) << run.errorOutput;
  EXPECT_EQ(treeOf(target()),
            (Tree{{"b.txt", sha256Hex(c.replaced ? "nuevo" : "de otro programa")}}));
}

INSTANTIATE_TEST_SUITE_P(Folders, OtherProgramsFileTest,
                         ::testing::Values(OtherProgramsFileCase{"ListedAndSticky", 01777, false},
                                           OtherProgramsFileCase{"UnlistedAndSticky", 01333, false},
                                           OtherProgramsFileCase{"Unlisted", 0333, true}),
                         [](const auto& info) { return info.param.label; });

// libarchive 3.6.2 checks the CRC of no stored entry, RAR 4 ones included.
TEST_F(WinrarExtractTest, RemovesAStoredRar4FileWhoseDataFailsItsCrc) {
  std::string bytes = readHostFile(kRarData / "test_read_format_rar_windows.rar");
  const std::size_t shortcutData = 245;  // where testshortcut.lnk's 441 stored bytes begin
  bytes[shortcutData + 100] ^= 0x01;
  replaceArchive(bytes);

  const ToolRun run = extract();

  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  EXPECT_EQ(
      treeOf(target()),
      (Tree{{"test.txt", "2d45c5f87d1b6cef59a1d67a0ddeea9c75a7df81e5b64d30ecff39199b411bd9"}}));
}

TEST_F(WinrarExtractTest, FailsOnADamagedHeader) {
  makeArchive({"-n", "a.txt", source("a", "intacto"), "-n", "b.txt", source("b", "segundo")});
  std::string bytes = archiveBytes();
  bytes[bytes.find("b.txt")] = 'x';
  replaceArchive(bytes);

  const ToolRun run = extract();

  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(lineCount(run.errorOutput), 1) << run.errorOutput;
  const Tree left = treeOf(target());
  EXPECT_EQ(left.count("b.txt") + left.count("x.txt"), 0u);
}

}  // namespace
}  // namespace fd
