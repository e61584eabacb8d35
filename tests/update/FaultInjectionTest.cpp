// Faults injected while an update runs over the host's real services: a full disk, files and
// folders gone, a log that cannot be written, the server gone mid-script.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "fixtures/PackageBuilder.h"
#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPackage = "COMERCIAL_1_0_0_a.rar";

// Ends the test process if the run does not come back: a hang fails instead of blocking.
class HangGuard {
 public:
  explicit HangGuard(std::chrono::seconds limit)
      : watcher_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!ended_.wait_for(lock, limit, [this] { return done_; })) {
            std::fputs("the run did not come back\n", stderr);
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    ended_.notify_one();
    watcher_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread watcher_;
};

// An update run in the fixture's folders, faults injected while it runs.
class FaultInjection : public testing::Test {
 protected:
  void SetUp() override {
    f.makeFolder(module);
    packages().installTools();
  }

  PackageBuilder packages() { return PackageBuilder(f, f.programFolder); }
  frmActualiza1& w() { return f.window(); }

  // Starts the window on the server and extracts the packages; the run's boxes come after.
  void startAndExtract(const std::string& server = "127.0.0.1,1") {
    f.writeFile(module + "fdCom.ini", "[Comercial]\r\nServidor=" + server + "\r\n");
    ASSERT_TRUE(w().Form_Load());
    const std::size_t before = f.desktop.boxes.size();
    w().cmdDes_Click();
    ASSERT_EQ(f.desktop.boxes.size(), before) << f.desktop.boxes.back().prompt;
    boxes = f.desktop.boxes.size();
  }
  // The prompts of the boxes the run showed.
  std::vector<std::string> runBoxes() const {
    std::vector<std::string> prompts;
    for (std::size_t i = boxes; i < f.desktop.boxes.size(); ++i) {
      prompts.push_back(f.desktop.boxes[i].prompt);
    }
    return prompts;
  }
  // The entries of the module folder, hidden ones included.
  std::vector<std::string> moduleEntries() const {
    std::vector<std::string> names = f.prefix.names(module);
    std::sort(names.begin(), names.end());
    return names;
  }

  UpdaterFixture f;
  const std::string module = f.fendal() + "Comercial\\";
  const std::string packageFolder = f.act() + "COMERCIAL_1_0_0_a\\";
  std::size_t boxes = 0;
};

TEST_F(FaultInjection, FileSizeLimitMidCopyEndsTheRunWithTheOldTargetIntact) {
  const std::string big(3 * 1024 * 1024, 'n');
  packages().make(kPackage, {{"info.txt", ""}, {"a.dll", "nueva a"}, {"grande.dat", big}});
  f.writeFile(module + "a.dll", "vieja a");
  f.writeFile(module + "grande.dat", "viejo grande");
  startAndExtract();
  w().chkScripts.setValue(0);

  // The run goes on in a child whose files may not grow past 1 MB; it sends back its boxes.
  const std::optional<std::string> received =
      FixtureHost::inChildWithFileSizeLimit(1024 * 1024, [&] {
        w().cmdAct_Click();
        std::string records = w().running() ? "still running" : "";
        for (const std::string& prompt : runBoxes())
          records += prompt + '\0';
        return records;
      });
  if (!received)
    GTEST_SKIP() << "Windows limits no process's file size";

  EXPECT_EQ(*received, std::string("Actualizar : (61). Línea : 3. Disco lleno") + '\0');
  EXPECT_EQ(f.readFile(module + "grande.dat"), "viejo grande");
  EXPECT_EQ(f.readFile(module + "a.dll"), "nueva a");
  // No half-written copy is left beside the target.
  EXPECT_EQ(moduleEntries(), (std::vector<std::string>{"a.dll", "fdCom.ini", "grande.dat"}));
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  // The mail task is left stopped.
  EXPECT_FALSE(f.logHas("Shell schtasks /run /tn fdEnvioMails"));
}

TEST_F(FaultInjection, PackageFolderDeletedBeforeTheRunEndsItThroughTheTrap) {
  packages().make(kPackage, {{"info.txt", ""}, {"a.dll", "nueva a"}});
  f.writeFile(module + "a.dll", "vieja a");
  startAndExtract();
  w().chkScripts.setValue(0);
  fs::remove_all(f.host(packageFolder));
  HangGuard guard(std::chrono::seconds(120));
  w().cmdAct_Click();
  // The file's folder is missing, which the platform reports as a path not found.
  EXPECT_EQ(runBoxes(), std::vector<std::string>{"Actualizar : (76). Línea : 3. No se encontró "
                                                 "la ruta de acceso"});
  EXPECT_EQ(f.readFile(module + "a.dll"), "vieja a");
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  EXPECT_FALSE(w().running());
  EXPECT_TRUE(w().Enabled.Value());
}

TEST_F(FaultInjection, PackageFileDeletedBeforeTheRunShowsTheReplaceMessage) {
  packages().make(kPackage, {{"info.txt", ""}, {"a.dll", "nueva a"}, {"b.dll", "nueva b"}});
  f.writeFile(module + "b.dll", "vieja b");
  startAndExtract();
  w().chkScripts.setValue(0);
  fs::remove(f.host(packageFolder + "b.dll"));
  HangGuard guard(std::chrono::seconds(120));
  w().cmdAct_Click();
  EXPECT_EQ(runBoxes(),
            std::vector<std::string>{
                "Error 53. El archivo " + module +
                "b.dll no se puede REEMPLAZAR. Revise en Mi PC -> Administrar -> Carpetas "
                "Compartidas -> Archivos Abiertos. Parese sobre el archivo y con botón derecho "
                "obligue el CIERRE del mismo."});
  EXPECT_EQ(f.readFile(module + "a.dll"), "nueva a");
  EXPECT_EQ(f.readFile(module + "b.dll"), "vieja b");
}

struct ReadOnlyCase {
  const char* name;
  bool fileToo;        // the log file loses its write bit as well as its folder
  const char* prompt;  // the one box the run shows
  bool finished;
};

class LogBecomesReadOnly : public FaultInjection,
                           public testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(LogBecomesReadOnly, MidRunGivesOneClearMessage) {
  packages().make(kPackage, {{"info.txt", ""}, {"a.dll", "nueva a"}, {"b.dll", "nueva b"}});
  startAndExtract();
  w().chkScripts.setValue(0);
  const fs::path log = f.host(w().state.mArchivoLog);
  // Only the updater's folder itself loses its write bit; the backups below it keep theirs.
  f.makeFolder(f.act() + "Respaldo");
  const auto noWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  f.desktop.onEvents = [&] {
    if (w().txtEstado.Text() == "Copiando a.dll") {
      fs::permissions(log.parent_path(), noWrite, fs::perm_options::remove);
      if (GetParam().fileToo) {
        fs::permissions(log, noWrite, fs::perm_options::remove);
      }
    }
  };
  HangGuard guard(std::chrono::seconds(120));
  w().cmdAct_Click();
  fs::permissions(log.parent_path(), fs::perms::owner_write, fs::perm_options::add);
  fs::permissions(log, fs::perms::owner_write, fs::perm_options::add);

  std::string prompt = GetParam().prompt;
  if (const auto at = prompt.find("{log}"); at != std::string::npos)
    prompt.replace(at, 5, w().state.mArchivoLog);
  EXPECT_EQ(runBoxes(), std::vector<std::string>{prompt});
  EXPECT_EQ(f.logHas(" FIN Actualizar"), GetParam().finished);
  EXPECT_EQ(f.readFile(module + "a.dll"), "nueva a");
  EXPECT_EQ(f.exists(module + "b.dll"), GetParam().finished);
  EXPECT_FALSE(w().running());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogBecomesReadOnly,
    testing::Values(
        // Appending to a file needs no new entry in its folder, so the log goes on.
        ReadOnlyCase{"Folder", false, "Terminó la Actualización", true},
        ReadOnlyCase{"FolderAndFile", true,
                     "Actualizar : (70). Línea : 3. No se pudo escribir el archivo de log {log}: "
                     "Permiso denegado",
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

class ServerDrops : public FaultInjection {};

TEST_F(ServerDrops, MidScriptTheRunReportsTheScriptAndGoesOn) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}});
  f.registerQueryTool();
  // Enough batches that the tool is still sending when the server goes.
  std::string script = "PRINT 'uno'\r\nGO\r\n";
  for (int i = 0; i < 20000; ++i) {
    script += "PRINT 'lote " + std::to_string(i) + "'\r\nGO\r\n";
  }
  packages().make(kPackage, {{"info.txt", "[Destino]\r\n01.sql=\r\n02.sql=\r\n"},
                             {"01.sql", script},
                             {"02.sql", "PRINT 'dos'\r\nGO\r\n"}});
  startAndExtract(server.dataSource());
  w().chkFiles.setValue(0);
  bool stopped = false;
  bool toolOutlivedTheServer = false;
  std::chrono::steady_clock::time_point stoppedAt;
  f.desktop.onEvents = [&] {
    if (!stopped && w().txtEstado.Text() == "COMERCIAL_A: Ejecutar 01.sql") {
      const auto log = server.statementLog();
      if (std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.find("PRINT 'uno'") != std::string::npos;
          })) {
        server.stop();
        stopped = true;
        stoppedAt = std::chrono::steady_clock::now();
      }
    } else if (stopped && !toolOutlivedTheServer &&
               std::chrono::steady_clock::now() - stoppedAt > std::chrono::seconds(30)) {
      // A tool that never ends would also go on writing its output: end it here, not by the
      // guard, which would leave it running.
      toolOutlivedTheServer = true;
      f.endProgramsBelow(f.root() + "SQL");
    }
  };
  HangGuard guard(std::chrono::seconds(120));
  w().cmdAct_Click();
  ASSERT_TRUE(stopped);
  ASSERT_FALSE(toolOutlivedTheServer) << "the query tool did not end when the server went";

  // Neither script is taken for done: each is marked failed with its message.
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1), colors::kLightRed);
  EXPECT_EQ(w().flxScrp.CellBackColor(2, 1), colors::kLightRed);
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 2, 2), "No se pudo ejecutar");
  EXPECT_EQ(runBoxes(), std::vector<std::string>{"Terminó la Actualización"});
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
  EXPECT_FALSE(w().state.mConexion);
}

}  // namespace
}  // namespace fd::test
