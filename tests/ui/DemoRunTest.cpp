#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "fixtures/Helpers.h"
#include "grid/Grid.h"
#include "platform/AnsiCodec.h"
#include "platform/SystemClock.h"
#include "platform/odbc/OdbcDatabase.h"
#include "ui/qt/QtDesktop.h"

namespace fd {
namespace {

using test::eventually;

const std::string kMakeDemo = std::string(FD_TESTDATA_DIR) + "/../../scripts/make-demo.sh";
constexpr const char* kUsersQuestion =
    "Hay usuarios usando los sistemas Fendal. Asegúrese que no estén usando el módulo que está "
    "por actualizar. ¿ Desea aplicar actualización  ?";

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return out + "'";
}

// Runs a shell command and returns what it wrote on standard output, or fails the test.
std::string runCommand(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    out += buffer;
  }
  const int status = ::pclose(pipe);
  EXPECT_EQ(status, 0) << command << "\n" << out;
  return out;
}

// "NAME N" lines of make-demo.sh's output.
std::map<std::string, int> readNumbers(const std::string& output) {
  std::map<std::string, int> numbers;
  std::istringstream lines(output);
  std::string name;
  int value = 0;
  while (lines >> name >> value) {
    numbers[name] = value;
  }
  return numbers;
}

// Whether a process is alive: it exists and is not a zombie waiting to be reaped.
bool alive(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  return static_cast<bool>(stat >> pidText >> name >> state) && state != "Z";
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) {
    all += line + "\n";
  }
  return all;
}

// The demo installation of scripts/make-demo.sh in a temporary prefix, updated through the
// real window over the real services: files, processes, ODBC, the registry file and Qt's
// message boxes, with the stand-in tools and the SQL Server stand-in the demo runs.
class DemoRunTest : public test::PrefixWindowTest<SystemClock, QtDesktop, OdbcDatabaseProvider> {
 protected:
  DemoRunTest() : PrefixWindowTest("C:\\Actualizador") {}

  void SetUp() override {
    for (const char* name : {"TDSVER", "TDSPORT", "TDSHOST", "TDSDUMP"}) {
      ::unsetenv(name);
    }
    ::setenv("WINEPREFIX", prefix.root().c_str(), 1);
    demo = readNumbers(runCommand("bash " + quoted(kMakeDemo) + " " +
                                  quoted(prefix.root().string()) + " " + quoted(FD_BIN_DIR)));
    ASSERT_GT(demo["PORT"], 0);
    ASSERT_GT(demo["SERVER_PID"], 0);
    ASSERT_GT(demo["MAIL_PID"], 0);
    dataSource = "127.0.0.1," + std::to_string(demo["PORT"]);
  }

  void TearDown() override {
    runCommand("bash " + quoted(kMakeDemo) + " --stop " + quoted(prefix.root().string()));
    EXPECT_FALSE(alive(demo["SERVER_PID"]));
    EXPECT_FALSE(alive(demo["MAIL_PID"]));
    EXPECT_FALSE(alive(mailPid())) << "the mail program the update restarted";
    ::unsetenv("WINEPREFIX");
  }

  int mailPid() const {
    std::ifstream file(prefix.host("C:\\Fendal\\fdEnvioMails.pid"));
    int pid = 0;
    file >> pid;
    return pid;
  }

  // The text of a file of the prefix, from the ANSI code page.
  std::string text(const std::string& windowsPath) const {
    return ansiToUtf8(prefix.readFile(windowsPath));
  }

  std::vector<std::string> logTexts() const {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator(prefix.host("C:\\Actualizador"))) {
      const std::string name = entry.path().filename().string();
      if (!name.starts_with("ACT_") || !name.ends_with(".log")) {
        continue;
      }
      for (const std::string& line : splitTextLines(text("C:\\Actualizador\\" + name))) {
        // A dated entry: the date, a space, the time and the text, which begins with a space.
        const auto time = line.find(' ');
        const auto entryText = time == std::string::npos ? time : line.find(' ', time + 1);
        const bool dated = line.size() > 2 && line[2] == '/' && entryText != std::string::npos;
        texts.push_back(dated ? line.substr(entryText) : line);
      }
    }
    return texts;
  }

  // The rows of a grid as the view shows them: each row's visible texts joined by "|".
  std::vector<std::string> viewRows(const char* name, std::vector<int> columns) {
    QAbstractItemModel* model = window.findChild<QTableView*>(name)->model();
    std::vector<std::string> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
      std::string cells;
      for (int col : columns) {
        cells +=
            (cells.empty() ? "" : "|") + model->index(row, col).data().toString().toStdString();
      }
      rows.push_back(cells);
    }
    return rows;
  }

  // Until stopped (the timer fires only while the window waits), does what an impatient user
  // would through the widgets, as they would pass it on were they not shown unavailable: into
  // and out of the server box, "Descomprimir", a tick on the unticked Contab1, "Actualizar".
  void meddle() {
    QObject::connect(&meddler, &QTimer::timeout, [this] {
      ++meddled;
      auto* server = window.findChild<QLineEdit*>("txtServidor");
      EXPECT_FALSE(server->isEnabled());
      for (QEvent::Type type : {QEvent::FocusIn, QEvent::FocusOut}) {
        QFocusEvent focus(type, Qt::TabFocusReason);
        QCoreApplication::sendEvent(server, &focus);
      }
      for (const char* name : {"cmdDes", "cmdAct"}) {
        auto* button = window.findChild<QPushButton*>(name);
        EXPECT_FALSE(button->isEnabled()) << name;
        emit button->clicked();
      }
      QAbstractItemModel* bases = window.findChild<QTableView*>("flxBases")->model();
      bases->setData(bases->index(1, 2), Qt::Checked, Qt::CheckStateRole);
    });
    meddler.start(15);
  }

  std::map<std::string, int> demo;
  std::string dataSource;
  test::MessageBoxAnswerer answerer;
  QTimer meddler;
  int meddled = 0;
};

TEST_F(DemoRunTest, AWholeUpdateOfTheDemoSucceedsThroughTheWindow) {
  desktop.setParentWindow(&window);
  ASSERT_TRUE(form.Form_Load());

  // Start-up: the folders, the server from fdCom.ini and its databases, the three packages.
  EXPECT_EQ(form.txtDirCom.Text(), "C:\\Fendal\\Comercial\\");
  EXPECT_EQ(form.txtServidor.Text(), dataSource);
  EXPECT_EQ(form.state.mClave, "Murales");
  EXPECT_EQ(viewRows("flxBases", {1}),
            (std::vector<std::string>{"Comercial2019", "Contab1", "EMPRESA_COMERCIAL"}));
  EXPECT_EQ(form.flxBases.CellChecked(1, kBasesTicked), kChecked);
  EXPECT_NE(form.flxBases.CellChecked(2, kBasesTicked), kChecked);
  EXPECT_EQ(form.flxBases.CellChecked(3, kBasesTicked), kChecked);
  EXPECT_EQ(viewRows("flxRar", {1, 2, 3, 4}),
            (std::vector<std::string>{
                "COMERCIAL_5_2_7_demo.rar|COMERCIAL|05.02.007|C:\\Fendal\\Comercial\\",
                "CONTABILIDAD_3_1_0_demo.rar|CONTABILIDAD|03.01.000|C:\\Fendal\\Contabilidad\\",
                "CRM_1_9_3_demo.rar|CRM|01.09.003|C:\\Fendal\\CRM\\"}));
  EXPECT_TRUE(answerer.boxes.empty());

  click("cmdDes");
  std::vector<std::string> files = viewRows("flxFile", {1, 4});
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::string>{
                "CRM.exe|C:\\Fendal\\CRM\\", "Comercial.exe|C:\\Fendal\\Comercial\\",
                "Contabilidad.exe|C:\\Fendal\\Contabilidad\\", "Facturas.rpt|C:\\Fendal\\RPT\\",
                "Instalar.cfd|", "Plantilla.dot|", "fdComun.dll|C:\\Fendal\\Comercial\\",
                "fdComun.dll|C:\\Fendal\\Comun\\", "fdEnvioMails.exe|C:\\Fendal\\CRM\\"}));
  const std::vector<std::string> scripts{"01_AltaTablas.sql", "02_DatosIniciales.sql",
                                         "01_CambioDeClavesSQL.sql", "02_MANTEN_Indices.sql"};
  EXPECT_EQ(viewRows("flxScrp", {1}), scripts);
  EXPECT_TRUE(answerer.boxes.empty());

  const std::vector<std::string> fileRows = viewRows("flxFile", {1, 2, 3, 4});
  const std::vector<std::string> scriptRows = viewRows("flxScrp", {1, 2, 3, 4});
  meddle();
  click("cmdAct");
  meddler.stop();
  EXPECT_GT(meddled, 0);
  EXPECT_EQ(viewRows("flxFile", {1, 2, 3, 4}), fileRows);
  EXPECT_EQ(viewRows("flxScrp", {1, 2, 3, 4}), scriptRows);
  EXPECT_NE(form.flxBases.CellChecked(2, kBasesTicked), kChecked);

  // Other users are connected on Contab1, so each ticked database asks; then the final message.
  using Box = test::MessageBoxAnswerer::Box;
  EXPECT_EQ(answerer.boxes,
            (std::vector<Box>{{"Advertencia", kUsersQuestion, {"Sí", "No"}},
                              {"Advertencia", kUsersQuestion, {"Sí", "No"}},
                              {"Fendal", "Terminó la Actualización", {"Aceptar"}}}));
  EXPECT_EQ(form.txtEstado.Text(), "Terminó");
  EXPECT_EQ(form.state.mClave, "Murales7261qz");

  // Every copied file and the command file are green; the file with no destination stays white.
  for (int row = 1; row < form.flxFile.Rows(); ++row) {
    const bool idle = form.flxFile.TextMatrix(row, kFileName) == "Plantilla.dot";
    EXPECT_EQ(form.flxFile.CellBackColor(row, 1), idle ? colors::kWhite : colors::kLightGreen)
        << form.flxFile.TextMatrix(row, kFileName);
  }
  for (int row = 1; row < form.flxScrp.Rows(); ++row) {
    EXPECT_EQ(form.flxScrp.CellBackColor(row, 1), colors::kLightGreen)
        << form.flxScrp.TextMatrix(row, kScriptName);
  }
  QAbstractItemModel* scriptView = window.findChild<QTableView*>("flxScrp")->model();
  EXPECT_EQ(scriptView->index(0, 1).data(Qt::BackgroundRole).value<QColor>(),
            QColor(0xC0, 0xFF, 0xC0));

  // The results page: one row per script and database, no message, "Terminó" last.
  std::vector<std::string> results = viewRows("flxLog", {1, 2});
  for (const std::string database : {"Comercial2019", "EMPRESA_COMERCIAL"}) {
    EXPECT_NE(std::find(results.begin(), results.end(),
                        "Conectando a " + dataSource + "." + database + "|"),
              results.end());
    for (const std::string& script : scripts) {
      EXPECT_NE(std::find(results.begin(), results.end(), database + ": Ejecutar " + script + "|"),
                results.end())
          << database << " " << script;
    }
  }
  EXPECT_NE(std::find(results.begin(), results.end(), "Ejecutar Instalar.cfd|"), results.end());
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(results.back(), "Terminó|");

  // Pictures of the four pages after the run, for whoever asked for them.
  auto* tabs = window.findChild<QTabWidget*>("SSTab1");
  for (int tab = 0; tab < tabs->count(); ++tab) {
    tabs->setCurrentIndex(tab);
    QCoreApplication::processEvents();
    test::saveScreenshot(
        window, "demo-" + QString::number(tab + 1) + "-" + tabs->tabText(tab).trimmed().toLower());
  }

  // The update log, in order.
  const std::vector<std::string> log = logTexts();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "--- Log de Actualización de Sistemas Fendal ---");
  const std::vector<std::string> milestones{
      " fdCom.ini",
      " " + dataSource,
      " Cambio de SERVIDOR",
      " Cargar Paquetes",
      " Descomprimir",
      " LeerFiles",
      " Actualizar",
      "FSyncShell taskkill /f /im fdEnvioMails.exe",
      "Tarea fdEnvioMails detenida con éxito",
      "CopyFile C:\\Actualizador\\CRM_1_9_3_demo\\fdEnvioMails.exe C:\\Fendal\\fdEnvioMails.exe",
      " Ejecutar Comandos C:\\Actualizador\\COMERCIAL_5_2_7_demo\\Instalar.cfd",
      "Shell schtasks /run /tn fdEnvioMails",
      " Ejecutar scripts",
      " C:\\Actualizador\\sql\\Binn\\osql.exe",
      " Conectando a " + dataSource + ".Comercial2019",
      " Hay 2 Usuarios Conectados",
      " Continua igual ",
      " Conectando a " + dataSource + ".EMPRESA_COMERCIAL",
      " Hay 2 Usuarios Conectados",
      " Continua igual ",
      " ReemplazarParametros C:\\Actualizador\\CONTABILIDAD_3_1_0_demo\\02_MANTEN_Indices.sql",
      " FIN Actualizar"};
  auto at = log.begin();
  for (const std::string& milestone : milestones) {
    at = std::find(at, log.end(), milestone);
    ASSERT_NE(at, log.end()) << "missing, or out of order: " << milestone << "\n" << joined(log);
  }
  EXPECT_NE(std::find(log.begin(), log.end(), " CreateFolder C:\\Fendal\\Comun\\"), log.end());
  // Nothing the user did during the run started anything of its own.
  for (const std::string once : {" Cambio de SERVIDOR", " Descomprimir", " Actualizar"})
    EXPECT_EQ(std::count(log.begin(), log.end(), once), 1) << once;
  const std::string logBytes = joined(log);
  EXPECT_EQ(logBytes.find("Murales"), std::string::npos) << "a password reached the log";
  EXPECT_NE(logBytes.find(" -U Fendal -P ******** -i "), std::string::npos);

  // The files on disk.
  EXPECT_EQ(text("C:\\Fendal\\Comercial\\Comercial.exe"), "Comercial 5.2.7\n");
  EXPECT_EQ(text("C:\\Fendal\\Comercial\\fdComun.dll"), "fdComun 5.2.7\n");
  EXPECT_EQ(text("C:\\Fendal\\Comun\\fdComun.dll"), "fdComun 5.2.7\n");
  EXPECT_EQ(text("C:\\Fendal\\Contabilidad\\Contabilidad.exe"), "Contabilidad 3.1.0\n");
  EXPECT_EQ(text("C:\\Fendal\\CRM\\CRM.exe"), "CRM 1.9.3\n");
  EXPECT_EQ(text("C:\\Fendal\\RPT\\Facturas.rpt"), "Informe de facturas (versión 5.2.7)\r\n");
  EXPECT_FALSE(prefix.exists("C:\\Fendal\\Comercial\\Facturas.rpt"));
  EXPECT_FALSE(prefix.exists("C:\\Fendal\\CRM\\fdEnvioMails.exe"));
  EXPECT_NE(text("C:\\Fendal\\fdEnvioMails.exe").find("fdEnvioMails.exe 1.1"), std::string::npos);
  EXPECT_EQ(text("C:\\Fendal\\Comercial\\Plantillas\\Factura.dot"), "Plantilla de factura 5.2.7\n");
  EXPECT_EQ(text("C:\\Actualizador\\COMERCIAL_5_2_7_demo\\instalar.log"),
            "MakeDir C:\\Fendal\\Comercial\\Plantillas\r\n"
            "Copy C:\\Actualizador\\COMERCIAL_5_2_7_demo\\Plantilla.dot  "
            "C:\\Fendal\\Comercial\\Plantillas\\Factura.dot\r\n");
  // The maintenance script holds the last database's name; its backup, the placeholders.
  const std::string manten = "C:\\Actualizador\\CONTABILIDAD_3_1_0_demo\\02_MANTEN_Indices.";
  EXPECT_EQ(text(manten + "sql"),
            "USE EMPRESA_COMERCIAL\r\nGO\r\nPRINT 'Reindexando EMPRESA_COMERCIAL en " + dataSource +
                "'\r\nDBCC DBREINDEX ('dbo.Asientos')\r\nGO\r\n");
  EXPECT_NE(text(manten + "old").find("USE %Catalogo%"), std::string::npos);

  // The server: the password was changed, and the scripts reached both ticked databases.
  std::ifstream statementFile(prefix.root() / "demo" / "sentencias.log");
  const std::string statementLog((std::istreambuf_iterator<char>(statementFile)),
                                 std::istreambuf_iterator<char>());
  EXPECT_NE(statementLog.find("sp_password 'Murales','Murales7261qz','Fendal'"), std::string::npos);
  EXPECT_NE(statementLog.find("Fendal\tComercial2019\tSQL\tINSERT INTO dbo.Promociones"),
            std::string::npos);
  EXPECT_NE(statementLog.find("Fendal\tEMPRESA_COMERCIAL\tSQL\tINSERT INTO dbo.Promociones"),
            std::string::npos);
  EXPECT_EQ(statementLog.find("\tContab1\tSQL\t"), std::string::npos);

  // The mail program was ended before the copy and its new version started by the task.
  EXPECT_FALSE(alive(demo["MAIL_PID"]));
  EXPECT_TRUE(eventually([&] {
    return text("C:\\Fendal\\fdEnvioMails.txt").find("fdEnvioMails 1.1 iniciado") !=
           std::string::npos;
  }));
  EXPECT_TRUE(eventually([&] { return mailPid() != demo["MAIL_PID"] && alive(mailPid()); }))
      << "pid file: " << mailPid() << ", first pid: " << demo["MAIL_PID"]
      << "\nmail program's lines:\n"
      << text("C:\\Fendal\\fdEnvioMails.txt") << "processes:\n"
      << runCommand("ps --ppid 2 -p 2 --deselect -o pid,ppid,stat,args");
}

}  // namespace
}  // namespace fd
