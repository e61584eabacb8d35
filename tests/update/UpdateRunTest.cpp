// The update run end to end over the host's real services: packages extracted by the RAR
// extractor, the mail program ended and its task started again, scripts run by the query tool
// against a SQL stand-in of the case's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fixtures/MailProgram.h"
#include "fixtures/PackageBuilder.h"
#include "fixtures/TdsTestServer.h"
#include "fixtures/UpdaterFixture.h"

namespace fd::test {
namespace {

class UpdateRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.makeFolder(comercial);
    packages().installTools();
  }

  PackageBuilder packages() { return PackageBuilder(f, f.programFolder); }
  void registerQueryTool() { f.registerQueryTool(); }
  // Whether the mail task restarted, where the fixture has a task of its own (POSIX).
  bool taskRestarted() {
    return eventually([&] { return f.prefix.exists("C:\\Tmp\\reiniciado.txt"); });
  }
  void start(const std::string& server = "127.0.0.1,1") {
    f.writeFile(comercial + "fdCom.ini", "[Comercial]\r\nServidor=" + server + "\r\n");
    ASSERT_TRUE(f.window().Form_Load());
    boxes = f.desktop.boxes.size();
  }
  void extract() {
    w().cmdDes_Click();
    ASSERT_EQ(f.desktop.boxes.size(), boxes);
  }
  void untickAll() {
    for (CheckBox* box : {&w().chkFiles, &w().chkComandos, &w().chkScripts})
      box->setValue(0);
  }
  std::vector<std::string> textsFrom(const std::string& first) {
    auto texts = f.logTexts();
    auto from = std::find(texts.begin(), texts.end(), first);
    return std::vector<std::string>(from, texts.end());
  }
  std::vector<std::string> statusRows() {
    std::vector<std::string> rows;
    for (int r = 1; r < w().flxLog.Rows(); ++r)
      rows.push_back(w().flxLog.TextMatrix(r, kLogStatus));
    return rows;
  }
  frmActualiza1& w() { return f.window(); }

  UpdaterFixture f;
  const std::string comercial = f.fendal() + "Comercial\\";
  std::size_t boxes = 0;
};

TEST_F(UpdateRunTest, WithNothingTickedOnlyWaitsAndFinishes) {
  start();
  untickAll();
  auto before = f.clock.elapsed();
  w().cmdAct_Click();
  EXPECT_EQ(textsFrom(" Actualizar"),
            (std::vector<std::string>{" Actualizar", " Copiar Archivos a su destino",
                                      " FIN Actualizar"}));
  EXPECT_GE((f.clock.elapsed() - before).count(), 2000);
  EXPECT_EQ(w().txtEstado.Text(), "Terminó");
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt, "Terminó la Actualización");
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kInformation);
  EXPECT_EQ(f.desktop.boxes.back().title, "Fendal");
}

TEST_F(UpdateRunTest, CommandFilesDoNotRunWithoutTheFileStage) {
  packages().make("COMERCIAL_1_0_0_a.rar", {{"info.txt", "[Destino]\r\nAlta.cfd=\r\n"},
                                            {"Alta.cfd", "MAKEDIR " + f.root() + "Hecho\r\n"}});
  start();
  extract();
  untickAll();
  w().chkComandos.setValue(1);
  w().cmdAct_Click();
  EXPECT_FALSE(f.exists(f.root() + "Hecho"));
  EXPECT_FALSE(f.logHas("FSyncShell taskkill /f /im fdEnvioMails.exe"));
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
}

TEST_F(UpdateRunTest, EmptyFileListStillStopsAndRestartsTheMailTask) {
  const bool taskRuns = f.writeMailTask();
  MailProgram mails(f, f.fendal());
  start();
  w().chkScripts.setValue(0);
  w().cmdAct_Click();
  EXPECT_FALSE(mails.running());
  auto texts = textsFrom(" Actualizar");
  EXPECT_EQ(
      texts,
      (std::vector<std::string>{
          " Actualizar", " Copiar Archivos a su destino", " Copiar Archivos a su destino",
          "FSyncShell taskkill /f /im fdEnvioMails.exe", "Tarea fdEnvioMails detenida con éxito",
          "Shell schtasks /run /tn fdEnvioMails", " FIN Actualizar"}));
  if (taskRuns) {
    EXPECT_TRUE(taskRestarted());
  }
  auto rows = statusRows();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(rows.end() - 3, rows.end()),
            (std::vector<std::string>{"Deteniendo tarea de envío de mails...", "", "Terminó"}));
}

TEST_F(UpdateRunTest, MailProgramThatSurvivesEndsTheRunBeforeAnyCopy) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows runs its own taskkill, which no program survives";
#endif
  // A taskkill that ends nothing.
  f.writeScript(f.act() + "taskkill", "exit 0");
  packages().make("COMERCIAL_1_0_0_a.rar", {{"info.txt", ""}, {"a.dll", "a"}});
  MailProgram mails(f, f.fendal());
  start();
  extract();
  w().cmdAct_Click();
  EXPECT_TRUE(mails.running());
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt,
            "No se puede detener la tarea de envío de mails. Para actualizar, deberá\r\ndetenerla "
            "manualmente a través del Administrador de Tareas (buscar el proceso "
            "\"fdEnvioMails.exe\")");
  EXPECT_FALSE(f.exists(comercial + "a.dll"));
  EXPECT_FALSE(f.logHas("Tarea fdEnvioMails detenida con éxito"));
  EXPECT_FALSE(f.logHas("Shell schtasks /run /tn fdEnvioMails"));
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  EXPECT_TRUE(w().Enabled.Value());
}

TEST_F(UpdateRunTest, CopyFailureShowsItsMessageAndLeavesTheTaskStopped) {
  const bool taskRuns = f.writeMailTask();
  packages().make("COMERCIAL_1_0_0_a.rar",
                  {{"info.txt", "[Destino]\r\nb.dll=" + f.root() + "No\\Existe\\\r\n"},
                   {"a.dll", "a"},
                   {"b.dll", "b"}});
  start();
  extract();
  // The source of b.dll disappears before the copy.
  f.writeFile(comercial + "a.dll", "old");
  std::filesystem::remove(f.host(f.act() + "COMERCIAL_1_0_0_a\\a.dll"));
  w().cmdAct_Click();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(
      f.desktop.boxes.back().prompt.substr(0, 90),
      std::string("Actualizar : (76). Línea : 3. No se encontró la ruta de acceso").substr(0, 90));
  // A half-updated installation must not send mails.
  EXPECT_FALSE(f.logHas("Shell schtasks /run /tn fdEnvioMails"));
  if (taskRuns) {
    EXPECT_FALSE(f.prefix.exists("C:\\Tmp\\reiniciado.txt"));
  }
  EXPECT_TRUE(f.logHas("Tarea fdEnvioMails detenida con éxito"));
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
}

TEST_F(UpdateRunTest, NewMailProgramReplacesTheRunningOneAndTheTaskStartsIt) {
  const std::string program = f.fendal() + "fdEnvioMails.exe";
  const bool taskRuns = f.writeMailTask(program);
  // On Windows the running program is that file, which cannot be replaced until it has ended.
  MailProgram mails(f, f.fendal());
  const std::string nuevo = "#!/bin/sh\necho nuevo > \"$WINEPREFIX/drive_c/Tmp/reiniciado.txt\"\n";
  packages().make("COMERCIAL_1_0_0_a.rar", {{"info.txt", ""}, {"fdEnvioMails.exe", nuevo}});
  start();
  extract();
  w().chkScripts.setValue(0);
  w().cmdAct_Click();
  EXPECT_FALSE(mails.running());
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
  EXPECT_EQ(f.readFile(program), nuevo);
  if (taskRuns) {
    EXPECT_TRUE(
        eventually([&] { return f.prefix.readFile("C:\\Tmp\\reiniciado.txt") == "nuevo\n"; }));
  }
}

TEST_F(UpdateRunTest, MissingSourceShowsTheReplaceMessageWithFolderAndFile) {
  packages().make("COMERCIAL_1_0_0_a.rar", {{"info.txt", ""}, {"a.dll", "a"}});
  start();
  extract();
  std::filesystem::remove(f.host(f.act() + "COMERCIAL_1_0_0_a\\a.dll"));
  w().cmdAct_Click();
  ASSERT_EQ(f.desktop.boxes.size(), boxes + 1);
  EXPECT_EQ(f.desktop.boxes.back().prompt,
            "Error 53. El archivo " + comercial +
                "a.dll no se puede REEMPLAZAR. Revise en Mi PC -> Administrar -> Carpetas "
                "Compartidas -> Archivos Abiertos. Parese sobre el archivo y con botón derecho "
                "obligue el CIERRE del mismo.");
  EXPECT_EQ(f.desktop.boxes.back().style, msgbox::kInformation);
}

TEST_F(UpdateRunTest, MissingQueryToolTouchesNoDatabase) {
  TdsTestServer server({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}});
  packages().make("COMERCIAL_1_0_0_a.rar",
                  {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'"}});
  start(server.dataSource());
  extract();
  w().chkFiles.setValue(0);
  auto logins = server.entries("LOGIN", "Fendal").size();
  w().cmdAct_Click();
  EXPECT_EQ(textsFrom(" Ejecutar scripts"),
            (std::vector<std::string>{" Ejecutar scripts", " Conseguir path de osql o isql",
                                      " \\Binn\\osql.exe", " ERROR mISQL no se encontro"}));
  EXPECT_EQ(f.desktop.boxes.back().prompt,
            "No es posible ejecutar los scripts porque no se encontró el archivo osql.exe en la "
            "carpeta de Microsoft SQL");
  EXPECT_EQ(server.entries("LOGIN", "Fendal").size(), logins);
}

class ScriptStage : public UpdateRunTest {
 protected:
  void prepare(const TdsServerConfig& config, const std::vector<PackageFile>& files) {
    server = std::make_unique<TdsTestServer>(config);
    registerQueryTool();
    packages().make("COMERCIAL_5_2_7_x.rar", files);
    start(server->dataSource());
    extract();
    w().chkFiles.setValue(0);
  }
  std::unique_ptr<TdsTestServer> server;
};

TEST_F(ScriptStage, RunsEveryScriptAgainstEveryTickedDatabase) {
  prepare(
      {"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A", "Comercial2019", "Contab1"}, {}},
      {{"info.txt", "[Destino]\r\n01_alta.sql=\r\n02_falla.sql=\r\nMANTEN_Indices.sql=\r\n"},
       {"01_alta.sql", "PRINT 'alta'\r\nGO\r\n"},
       {"02_falla.sql", "PRINT 'ERROR: falta la tabla'\r\nGO\r\n"},
       {"MANTEN_Indices.sql", "   BACKUP DATABASE %Catalogo% TO %Servidor%  \r\nGO\r\n"}});
  w().cmdAct_Click();

  const std::string A = "COMERCIAL_A", B = "Comercial2019";
  const std::string source = server->dataSource();
  auto rows = statusRows();
  std::vector<std::string> expected{"Conectando a " + source + "." + A,
                                    "Revisar Usuarios Conectados",
                                    A + ": Ejecutar 01_alta.sql",
                                    A + ": Ejecutar 02_falla.sql",
                                    A + ": Ejecutar MANTEN_Indices.sql",
                                    "Conectando a " + source + "." + B,
                                    "Revisar Usuarios Conectados",
                                    B + ": Ejecutar 01_alta.sql",
                                    B + ": Ejecutar 02_falla.sql",
                                    B + ": Ejecutar MANTEN_Indices.sql",
                                    "Terminó"};
  ASSERT_GE(rows.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(rows.end() - static_cast<long>(expected.size()), rows.end()),
            expected);
  // The error block of the failing script stands in the message column, once per database.
  int errorRow = w().flxLog.Rows() - 1 - 7;
  EXPECT_EQ(w().flxLog.TextMatrix(errorRow, kLogMessage),
            "1> 2> ERROR: falta la tabla\r\n1> 2> ERROR: falta la tabla");
  EXPECT_EQ(w().flxLog.TextMatrix(errorRow + 5, kLogMessage),
            w().flxLog.TextMatrix(errorRow, kLogMessage));
  EXPECT_EQ(w().flxLog.TextMatrix(errorRow - 1, kLogMessage), "");
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxScrp.CellBackColor(2, 1), colors::kLightRed);
  EXPECT_EQ(w().flxScrp.CellBackColor(3, 1), colors::kLightGreen);

  // The maintenance script reached each database with its own name; its backup kept the original.
  std::vector<std::string> backups;
  for (const auto& entry : server->entries("SQL", "Fendal")) {
    if (entry.text.find("BACKUP DATABASE") != std::string::npos)
      backups.push_back(entry.text);
  }
  EXPECT_EQ(backups, (std::vector<std::string>{"BACKUP DATABASE " + A + " TO " + source,
                                               "BACKUP DATABASE " + B + " TO " + source}));
  EXPECT_EQ(f.readFile(f.act() + "COMERCIAL_5_2_7_x\\MANTEN_Indices.old"),
            "   BACKUP DATABASE %Catalogo% TO %Servidor%  \r\nGO\r\n");
  // The password never reaches the log file.
  std::string logBytes = f.readFile(w().state.mArchivoLog);
  EXPECT_EQ(logBytes.find("Murales7261qz"), std::string::npos);
  EXPECT_NE(logBytes.find(" -U Fendal -P ******** -i "), std::string::npos);
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
}

TEST_F(ScriptStage, PasswordChangeScriptRunsUnderTheLegacyPasswordAndTheNextUnderTheNew) {
  prepare(
      {"TDSTEST", {{"Fendal", "Murales"}}, {"COMERCIAL_A"}, {}},
      {{"info.txt", "[Destino]\r\n01_CambioDeClavesSQL.sql=\r\n02_despues.sql=\r\n"},
       {"01_CambioDeClavesSQL.sql", "sp_password 'Murales', 'Murales7261qz', 'Fendal'\r\nGO\r\n"},
       {"02_despues.sql", "PRINT 'con la nueva'\r\nGO\r\n"}});
  EXPECT_EQ(w().state.mClave, "Murales");
  w().cmdAct_Click();
  EXPECT_EQ(w().state.mClave, "Murales7261qz");
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1), colors::kLightGreen);
  EXPECT_EQ(w().flxScrp.CellBackColor(2, 1), colors::kLightGreen);
  auto logins = server->entries("LOGIN", "Fendal");
  ASSERT_FALSE(logins.empty());
  EXPECT_EQ(logins.back().text, "OK");  // the second script logged in with the new password
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
}

struct UsersCase {
  std::string name;
  int answer;
  bool scriptsRun;
};

class UsersConnected : public ScriptStage, public ::testing::WithParamInterface<UsersCase> {};

TEST_P(UsersConnected, TheUserDecidesWhetherTheScriptsRun) {
  prepare(
      {"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A", "Otra"}, {{"Fendal", 1, "Otra"}}},
      {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'hecho'\r\nGO\r\n"}});
  f.desktop.answer(GetParam().answer);
  w().cmdAct_Click();
  EXPECT_EQ(f.logHas(" Continua igual "), GetParam().scriptsRun);
  EXPECT_EQ(f.logHas(" FIN Actualizar"), GetParam().scriptsRun);
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1),
            GetParam().scriptsRun ? colors::kLightGreen : colors::kWhite);
}

INSTANTIATE_TEST_SUITE_P(Answers, UsersConnected,
                         ::testing::Values(UsersCase{"Yes", msgbox::kYes, true},
                                           UsersCase{"No", msgbox::kNo, false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ScriptStage, ToolThatFailsMarksTheScript) {
  prepare({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}},
          {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'\r\nGO\r\n"}});
  f.writeFailingProgram(f.root() + "SQL\\90\\Tools\\Binn\\osql.exe");
  w().cmdAct_Click();
  EXPECT_EQ(w().flxLog.TextMatrix(w().flxLog.Rows() - 2, 2), "No se pudo ejecutar");
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1), colors::kLightRed);
  EXPECT_TRUE(f.logHas(" ERROR No se pudo ejecutar"));
  EXPECT_TRUE(f.logHas(" FIN Actualizar"));
}

TEST_F(ScriptStage, ToolThatVanishesEndsTheRunWithTheReplaceMessage) {
  prepare({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}},
          {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'\r\nGO\r\n"}});
  f.desktop.onEvents = [&] {
    if (w().txtEstado.Text().find(": Ejecutar ") != std::string::npos) {
      std::filesystem::remove(f.host(f.root() + "SQL\\90\\Tools\\Binn\\osql.exe"));
    }
  };
  w().cmdAct_Click();
  EXPECT_EQ(f.desktop.boxes.back().prompt.substr(0, 30), "Error 53. El archivo 01.sql no");
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  EXPECT_FALSE(w().state.mConexion);
}

TEST_F(ScriptStage, ConnectionFailureOnTheSecondDatabaseKeepsTheFirstUpdated) {
  prepare({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}},
          {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'\r\nGO\r\n"}});
  appendRow(
      w().flxBases,
      BasesRow().set(kBasesNumber, "2").set(kBasesName, "ComercialBorrada").set(kBasesTicked, "1"));
  w().cmdAct_Click();
  const auto& box = f.desktop.boxes.back();
  EXPECT_EQ(box.prompt.find("Actualizar : ("), 0u);
  EXPECT_NE(box.prompt.find("). Línea : 5. "), std::string::npos);
  EXPECT_NE(box.prompt.find("ComercialBorrada"), std::string::npos) << box.prompt;
  EXPECT_EQ(box.style, msgbox::kQuestion);
  EXPECT_TRUE(f.logHas(" Conectando a " + server->dataSource() + ".ComercialBorrada"));
  EXPECT_EQ(w().flxScrp.CellBackColor(1, 1), colors::kWhite);  // reset for the second database
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  auto sql = server->entries("SQL", "Fendal");
  EXPECT_TRUE(
      std::any_of(sql.begin(), sql.end(), [](const auto& e) { return e.text == "PRINT 'x'"; }));
}

TEST_F(ScriptStage, ASecondClickDuringTheRunIsIgnored) {
  prepare({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A"}, {}},
          {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'\r\nGO\r\n"}});
  int clicks = 0;
  f.desktop.onEvents = [&] {
    if (clicks++ == 3)
      w().cmdAct_Click();
  };
  w().cmdAct_Click();
  EXPECT_EQ(f.logCount(" Actualizar"), 1);
  EXPECT_EQ(f.logCount(" FIN Actualizar"), 1);
}

TEST_F(ScriptStage, ClosingTheWindowStopsTheRunAtItsNextStep) {
  prepare({"TDSTEST", {{"Fendal", "Murales7261qz"}}, {"COMERCIAL_A", "Comercial2019"}, {}},
          {{"info.txt", "[Destino]\r\n01.sql=\r\n"}, {"01.sql", "PRINT 'x'\r\nGO\r\n"}});
  f.desktop.onEvents = [&] {
    if (w().txtEstado.Text() == "Revisar Usuarios Conectados")
      w().requestStop();
  };
  w().cmdAct_Click();
  EXPECT_FALSE(w().running());
  EXPECT_FALSE(f.logHas(" FIN Actualizar"));
  EXPECT_FALSE(f.logHas(" Conectando a " + server->dataSource() + ".Comercial2019"));
  EXPECT_FALSE(w().state.mConexion);
  EXPECT_EQ(f.desktop.boxes.size(), boxes);
}

}  // namespace
}  // namespace fd::test
