#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "fixtures/ConsoleRun.h"
#include "fixtures/FileStageFixture.h"
#include "fixtures/MailProgram.h"
#include "fixtures/PackageBuilder.h"
#include "platform/Text.h"
#include "update/FileBackup.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBom = "\xEF\xBB\xBF";
constexpr const char* kStamp = "20261208-061057";

struct Restored {
  int code = -1;
  std::string out, err;
  std::vector<std::string> log;  // its entries without their date and time
  long logged(const std::string& text) const { return std::count(log.begin(), log.end(), text); }
};

// The program started with /restaurar and these switches, as main starts it.
Restored restoreWith(UpdaterFixture& u, const std::vector<std::string>& args = {"/restaurar"}) {
  const ConsoleRun run = runConsole(u, args);
  Restored result{run.code, run.out, run.err, {}};
  if (!run.log.empty())
    result.log = UpdaterFixture::textsOf(u.fs.readLines(run.log));
  return result;
}

std::string backupOf(const UpdaterFixture& u, const std::string& name = kStamp) {
  return FileBackup::folderOf(u.act(), name);
}

// A backup as a run leaves it: the index, and a kept copy of each file it lists as kept.
void layBackup(UpdaterFixture& u, const std::string& name,
               const std::vector<std::pair<std::string, std::string>>& kept,
               const std::string& more = "") {
  std::string index = kBom;
  for (const auto& [original, bytes] : kept) {
    u.writeFile(FileBackup::keptPath(backupOf(u, name), original), bytes);
    index += original + "\t" + std::to_string(bytes.size()) + "\t08/12/2026 6:10:57\r\n";
  }
  u.writeFile(backupOf(u, name) + FileBackup::kIndice, index + more);
}

// An installation whose a.dll a run replaced, with the updater's tools.
class RestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PackageBuilder(f, f.programFolder).installTools();
    f.writeFile(a, "nueva a");
  }
  UpdaterFixture f;
  const std::string a = f.fendal() + "Comercial\\a.dll";
};

struct FaultCase {
  std::string name;
  // Lays the rest of the backup and the installation; gives the index's lines after a.dll's,
  // "{F}" standing for the suite's root.
  std::function<std::string(UpdaterFixture&)> lay;
  int code;
  std::string listed;  // in the output for a refused entry; "" when restored
  // A file below the suite's root and the bytes it holds after the restore.
  std::pair<std::string, std::string> holds = {"Comercial\\a.dll", "nueva a"};
};

class RestoreFaults : public RestoreTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(RestoreFaults, AreRefusedBeforeAnythingIsWritten) {
  const FaultCase& c = GetParam();
#ifdef _WIN32
  if (c.name == "KeptCopyIsALink")
    GTEST_SKIP() << "making a symbolic link needs a privilege there";
#endif
  const std::string more = replaceAll(c.lay(f), "{F}", f.fendal());
  layBackup(f, kStamp, {{a, "vieja a"}}, more);
  const Restored restored = restoreWith(f);
  EXPECT_EQ(restored.code, c.code) << restored.out << restored.err;
  // All or nothing: a.dll, which is sound, is put back only when every entry is.
  EXPECT_EQ(f.readFile(a), c.code == 0 ? "vieja a" : "nueva a");
  EXPECT_EQ(f.readFile(f.fendal() + c.holds.first), c.code == 0 ? c.holds.second : "nueva a");
  if (!c.listed.empty()) {
    EXPECT_NE(restored.out.find(c.listed), std::string::npos) << restored.out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreFaults,
    ::testing::Values(
        FaultCase{"IndexWithLf",
                  [](UpdaterFixture& u) {
                    u.writeFile(u.fendal() + "b.dll", "nueva b");
                    u.writeFile(FileBackup::keptPath(backupOf(u), u.fendal() + "b.dll"), "vieja");
                    return "{F}b.dll\t5\t08/12/2026 6:10:57\n{F}n.dll\tnuevo\t5\n";
                  },
                  0,
                  "",
                  {"b.dll", "vieja"}},
        FaultCase{"NameOutsideWindows1252",
                  [](UpdaterFixture& u) {
                    const std::string name = u.fendal() + "Ωmega ñ.dll";
                    u.writeFile(name, "nueva");
                    u.writeFile(FileBackup::keptPath(backupOf(u), name), "vieja");
                    return "{F}Ωmega ñ.dll\t5\t08/12/2026 6:10:57\r\n";
                  },
                  0,
                  "",
                  {"Ωmega ñ.dll", "vieja"}},
        FaultCase{"DotDot",
                  [](UpdaterFixture& u) {
                    u.writeFile(u.fendal() + "RPT\\x.rpt", "x");
                    return "{F}Comercial\\..\\RPT\\x.rpt\tnuevo\t1\r\n";
                  },
                  1, "Comercial\\..\\RPT\\x.rpt: no es una ruta completa"},
        FaultCase{"NotAFullPath",
                  [](UpdaterFixture&) { return "Comercial\\a.dll\tnuevo\t7\r\n\t5\t\r\n"; }, 1,
                  "Comercial\\a.dll: no es una ruta completa"},
        FaultCase{"AFolderMarkedNew", [](UpdaterFixture&) { return "{F}Comercial\tnuevo\t0\r\n"; },
                  1, "Comercial: es una carpeta"},
        FaultCase{"KeptCopyIsALink",
                  [](UpdaterFixture& u) {
                    u.writeFile(u.root() + "Secreto.txt", "secreto");
                    u.writeFile(u.fendal() + "c.dll", "nueva c");
                    const fs::path kept =
                        u.host(FileBackup::keptPath(backupOf(u), u.fendal() + "c.dll"));
                    fs::create_directories(kept.parent_path());
                    fs::create_symlink(u.host(u.root() + "Secreto.txt"), kept);
                    return "{F}c.dll\t7\t08/12/2026 6:10:57\r\n";
                  },
                  1, "c.dll: la copia guardada no es un archivo"},
        FaultCase{"MissingKeptCopy",
                  [](UpdaterFixture&) { return "{F}d.dll\t5\t08/12/2026 6:10:57\r\n"; }, 1,
                  "d.dll: falta la copia guardada"},
        FaultCase{"KeptCopyOfAnotherSize",
                  [](UpdaterFixture& u) {
                    u.writeFile(FileBackup::keptPath(backupOf(u), u.fendal() + "e.dll"), "e");
                    return "{F}e.dll\t5\t08/12/2026 6:10:57\r\n";
                  },
                  1, "e.dll: la copia guardada no tiene el tamaño registrado"},
        FaultCase{"NewFileWithoutItsSize",
                  [](UpdaterFixture& u) {
                    u.writeFile(u.root() + "Tmp\\v", "ajeno");
                    return u.root() + "Tmp\\v\tnuevo\r\n";
                  },
                  1, "v: no tiene registrado su tamaño"},
        FaultCase{"NewFileChangedSince",
                  [](UpdaterFixture& u) {
                    u.writeFile(u.fendal() + "n.dll", "cambiado");
                    return "{F}n.dll\tnuevo\t5\r\n";
                  },
                  1, "n.dll: cambió después de la actualización"},
        FaultCase{"InsideTheBackups",
                  [](UpdaterFixture& u) {
                    return u.act() + "Respaldo\\" + kStamp + "\\respaldo.txt\tnuevo\t1\r\n";
                  },
                  1, "respaldo.txt: está en la carpeta de los respaldos"}),
    [](const auto& info) { return info.param.name; });

TEST_F(RestoreTest, RemovesOnlyWhatTheRunCreatedAndSaysOnlyWhatItDid) {
  const std::string folder = f.fendal() + "Nueva\\";
  f.writeFile(folder + "n.dll", "nueva");
  f.makeFolder(f.fendal() + "Vacia");
  layBackup(f, kStamp, {{a, "vieja a"}},
            folder.substr(0, folder.size() - 1) + "\tcarpeta\r\n" + folder + "n.dll\tnuevo\t5\r\n" +
                f.fendal() + "Vacia\tcarpeta\r\n" + f.fendal() + "Ida.dll\tnuevo\t3\r\n");
  const Restored restored = restoreWith(f);
  ASSERT_EQ(restored.code, 0) << restored.out << restored.err;
  EXPECT_EQ(f.readFile(a), "vieja a");
  EXPECT_FALSE(f.exists(folder));
  EXPECT_FALSE(f.exists(f.fendal() + "Vacia"));
  EXPECT_EQ(restored.logged(" Eliminado " + folder + "n.dll"), 1);
  EXPECT_EQ(restored.logged(" Carpeta eliminada " + f.fendal() + "Nueva"), 1);
  EXPECT_EQ(restored.logged(" Eliminado " + f.fendal() + "Ida.dll"), 0);
}

TEST_F(RestoreTest, TakesTheNewestBackupAndNoOtherFolder) {
  layBackup(f, "20261208-061057", {{a, "vieja a"}});
  layBackup(f, "20261209-011500-2", {{a, "de las 01:15"}});
  layBackup(f, "20261209-011500", {{a, "antes"}});
  layBackup(f, "99991231-235959-x", {{a, "no es un respaldo"}});
  layBackup(f, "132 - copia", {{a, "tampoco"}});
  const Restored restored = restoreWith(f);
  ASSERT_EQ(restored.code, 0) << restored.out << restored.err;
  EXPECT_EQ(f.readFile(a), "de las 01:15");
  EXPECT_NE(restored.out.find(backupOf(f, "20261209-011500-2")), std::string::npos);
}

TEST_F(RestoreTest, AFolderThatIsNoBackupIsNone) {
  layBackup(f, "132 - copia", {{a, "vieja a"}});
  const Restored restored = restoreWith(f);
  EXPECT_EQ(restored.code, 2);
  EXPECT_NE(restored.err.find("No hay ningún respaldo en "), std::string::npos) << restored.err;
  EXPECT_EQ(f.readFile(a), "nueva a");
}

TEST_F(RestoreTest, DoesNotGoAheadWhileTheMailProgramRuns) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows runs its own taskkill, which no program survives";
#endif
  // A taskkill that ends nothing.
  f.writeScript(f.act() + "taskkill", "exit 0");
  MailProgram mails(f, f.fendal());
  layBackup(f, kStamp, {{a, "vieja a"}});
  const Restored restored = restoreWith(f);
  EXPECT_EQ(restored.code, 1) << restored.out << restored.err;
  EXPECT_EQ(f.readFile(a), "nueva a");
  EXPECT_TRUE(mails.running());
}

// The file stage with its backup, then the program's restore.
using BackupThenRestore = FileCopy;

TEST_F(BackupThenRestore, PutsBackAFileReplacedTwiceAndRemovesANewMailProgram) {
  PackageBuilder(f, f.programFolder).installTools();
  f.writeFile(comercial + "Lib\\X.dll", "vieja");
  row("X.dll", comercial + "Lib\\", "primera");
  w().flxFile.AddItem("\tx.dll\t\t" + f.act() + "P\\X.dll\t" + comercial + "LIB\\\t.dll\t" +
                      comercial + "LIB\\x.dll");
  row("fdEnvioMails.exe", comercial, "correo nuevo");
  row("c.dll", comercial + "Nueva\\", "c");
  copiar();
  ASSERT_EQ(f.readFile(f.fendal() + "fdEnvioMails.exe"), "correo nuevo");
  ASSERT_TRUE(f.exists(comercial + "Nueva\\c.dll"));

  const Restored restored = restoreWith(f);
  ASSERT_EQ(restored.code, 0) << restored.out << restored.err;
  EXPECT_EQ(f.readFile(comercial + "Lib\\X.dll"), "vieja");
  EXPECT_FALSE(f.exists(f.fendal() + "fdEnvioMails.exe"));
  EXPECT_FALSE(f.exists(comercial + "Nueva"));
}

TEST(FileBackupIndex, EveryNameRoundTripsInUtf8) {
  StageFixture u;
  const std::string name = u.fendal() + "Ωmega ñ €.dll";
  u.writeFile(name, "vieja");
  FileBackup backup(u.fs, u.log, u.act(), kStamp);
  backup.keep(name, "");
  const std::string index = u.readFile(backup.folder() + FileBackup::kIndice);
  EXPECT_TRUE(index.starts_with(kBom)) << index;
  const std::vector<FileBackup::Entry> entries = FileBackup::read(u.fs, backup.folder());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].original, name);
  EXPECT_EQ(u.readFile(FileBackup::keptPath(backup.folder(), name)), "vieja");
}

TEST(FileBackupIndex, APlantedFolderOrLinkIsNeverWrittenInto) {
#ifdef _WIN32
  GTEST_SKIP() << "making a symbolic link needs a privilege there";
#endif
  StageFixture u;
  u.writeFile(u.root() + "Otro\\respaldo.txt", "ajeno");
  fs::create_directories(u.host(u.act() + "Respaldo"));
  fs::create_directory_symlink(u.host(u.root() + "Otro"), u.host(u.act() + "Respaldo\\" + kStamp));
  u.writeFile(u.fendal() + "a.dll", "vieja");
  FileBackup backup(u.fs, u.log, u.act(), kStamp);
  backup.keep(u.fendal() + "a.dll", "");
  EXPECT_EQ(backup.folder(), backupOf(u, std::string(kStamp) + "-2"));
  EXPECT_EQ(u.readFile(u.root() + "Otro\\respaldo.txt"), "ajeno");
  EXPECT_EQ(std::distance(fs::directory_iterator(u.host(u.root() + "Otro")), {}), 1);
}

}  // namespace
}  // namespace fd::test
