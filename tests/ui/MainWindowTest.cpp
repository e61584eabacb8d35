#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "fixtures/FakeClock.h"
#include "fixtures/IdleOnlyControls.h"
#include "fixtures/ScriptedDesktop.h"
#include "session/GridSetup.h"
#include "ui/qt/GridView.h"

namespace fd {
namespace {

class MainWindowTest
    : public test::PrefixWindowTest<FakeClock, test::ScriptedDesktop, test::NoServer> {
 protected:
  MainWindowTest() : PrefixWindowTest("C:\\Upd") { prefix.makeFolder("C:\\Upd"); }

  // The grids as start-up sets them up, without the rest of start-up.
  void setUpGrids() {
    ConfigurarBases(form.flxBases);
    ConfigurarArchivos(form.flxFile);
    ConfigurarScripts(form.flxScrp);
    ConfigurarPaquetes(form.flxRar);
    ConfigurarLog(form.flxLog);
  }

  template <typename T>
  T* find(const char* name) {
    T* widget = window.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  static void leave(QWidget* widget, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QCoreApplication::sendEvent(widget, &out);
  }

  static void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(edit, &press);
    }
  }

  static std::vector<std::string> visibleHeaders(QTableView* view) {
    std::vector<std::string> captions;
    for (int col = 0; col < view->model()->columnCount(); ++col) {
      if (view->isColumnHidden(col))
        continue;
      captions.push_back(
          view->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    }
    return captions;
  }
};

TEST_F(MainWindowTest, TitleIsActualizadorFD) {
  EXPECT_EQ(window.windowTitle(), "Actualizador FD");
}

TEST_F(MainWindowTest, TabCaptionsKeepTheirSpaces) {
  auto* tabs = find<QTabWidget>("SSTab1");
  ASSERT_EQ(tabs->count(), 4);
  EXPECT_EQ(tabs->tabText(0), "    General    ");
  EXPECT_EQ(tabs->tabText(1), "    Descomprimir    ");
  EXPECT_EQ(tabs->tabText(2), "    Actualizar   ");
  EXPECT_EQ(tabs->tabText(3), "    Resultados    ");
}

TEST_F(MainWindowTest, GridsShowTheirVisibleCaptions) {
  setUpGrids();
  const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
      {"flxBases", {"", "Base", "Actualiza"}},
      {"flxRar", {"", "Actualización", "Sistema", "Versión", "Path Aplicación", "Path Temporal"}},
      {"flxFile", {"", "Archivo", "Fecha", "Orígen", "Destino"}},
      {"flxScrp", {"", "Archivo", "Fecha", "Orígen", "Destino"}},
      {"flxLog", {"", "Archivo", "Mensaje"}},
  };
  for (const auto& [name, captions] : cases) {
    auto* view = find<QTableView>(name);
    EXPECT_EQ(visibleHeaders(view), captions) << name;
    EXPECT_EQ(view->model()->rowCount(), 0) << name;
  }
}

TEST_F(MainWindowTest, HeaderIsBoldAndCentred) {
  setUpGrids();
  QAbstractItemModel* model = find<QTableView>("flxRar")->model();
  EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
            static_cast<int>(Qt::AlignHCenter | Qt::AlignVCenter));
}

TEST_F(MainWindowTest, ColumnWidthsComeFromTwips) {
  setUpGrids();
  auto* view = find<QTableView>("flxLog");
  EXPECT_EQ(view->columnWidth(0), 28);
  EXPECT_EQ(view->columnWidth(1), 240);
  EXPECT_EQ(view->columnWidth(2), 600);
}

TEST_F(MainWindowTest, StartUpFitsThePackageColumnsToTheNamesWhole) {
  prefix.writeFile("C:\\Upd\\COMERCIAL_5_2_7_x.rar", "");
  prefix.writeFile("C:\\Upd\\CONTABILIDAD_3_1_0_x.rar", "");
  ASSERT_TRUE(form.Form_Load());
  auto* view = find<QTableView>("flxRar");
  ASSERT_EQ(view->model()->rowCount(), 2);
  EXPECT_EQ(view->model()->index(1, 2).data().toString(), "CONTABILIDAD");
  // Each fitted column holds its widest text and the fitting's 90 twips (6 pixels) besides.
  for (int col = 1; col < view->model()->columnCount(); ++col) {
    for (int row = 0; row < 2; ++row) {
      const QModelIndex cell = view->model()->index(row, col);
      EXPECT_GE(view->columnWidth(col), view->sizeHintForIndex(cell).width() + 6)
          << cell.data().toString().toStdString();
    }
  }
}

TEST_F(MainWindowTest, LeavingTheRootBoxUnchangedRunsItsValidation) {
  prefix.makeFolder("C:\\Fendal\\Estudios");
  setUpGrids();
  form.txtCom.setText("Comercial");
  form.txtIni.setText("fdCom.ini");
  form.txtDirFD.setText("C:\\Fendal\\");
  leave(find<QLineEdit>("txtDirFD"));
  EXPECT_EQ(find<QLineEdit>("txtCom")->text(), "Estudios");
  EXPECT_EQ(find<QLineEdit>("txtDirCom")->text(), "C:\\Fendal\\Estudios\\");
  EXPECT_EQ(find<QLineEdit>("txtDirIni")->text(), "C:\\Fendal\\Estudios\\fdCom.ini");
}

TEST_F(MainWindowTest, TypingInABoxReachesItsModel) {
  setUpGrids();
  form.txtDirFD.setText("C:\\Fendal\\");
  type(find<QLineEdit>("txtCon"), "Conta2");
  EXPECT_EQ(form.txtCon.Text(), "Conta2");
  leave(find<QLineEdit>("txtCon"));
  EXPECT_EQ(find<QLineEdit>("txtDirCon")->text(), "C:\\Fendal\\Conta2\\");
}

TEST_F(MainWindowTest, AnotherWindowTakingTheFocusIsNoValidation) {
  setUpGrids();
  form.txtDirFD.setText("D:\\X\\");
  form.txtCon.setText("Conta2");
  leave(find<QLineEdit>("txtCon"), Qt::ActiveWindowFocusReason);
  EXPECT_EQ(form.txtDirCon.Text(), "");
}

TEST_F(MainWindowTest, FolderBoxesAreReadOnlyAndGrey) {
  for (const char* name : {"txtDirCom", "txtDirCon", "txtDirCRM", "txtDirMRP", "txtDirIni"}) {
    auto* box = find<QLineEdit>(name);
    EXPECT_TRUE(box->isReadOnly()) << name;
    EXPECT_TRUE(box->styleSheet().contains("rgb(224, 224, 224)")) << name;
  }
  EXPECT_FALSE(find<QLineEdit>("txtDirFD")->isReadOnly());
}

TEST_F(MainWindowTest, StatusTextReachesTheBoxAndTheLogGrid) {
  setUpGrids();
  form.txtEstado.setText("Descomprimiendo COMERCIAL_5_2_7_x.rar");
  auto* status = find<QLineEdit>("txtEstado");
  EXPECT_EQ(status->text(), "Descomprimiendo COMERCIAL_5_2_7_x.rar");
  EXPECT_TRUE(status->isReadOnly());
  QAbstractItemModel* log = find<QTableView>("flxLog")->model();
  ASSERT_EQ(log->rowCount(), 1);
  EXPECT_EQ(log->index(0, 1).data().toString(), "Descomprimiendo COMERCIAL_5_2_7_x.rar");
}

TEST_F(MainWindowTest, TickingADatabaseGoesThroughTheGridEvents) {
  setUpGrids();
  appendRow(form.flxBases, BasesRow().set(kBasesNumber, "1").set(kBasesName, "ventas"));
  appendRow(form.flxBases,
            BasesRow().set(kBasesNumber, "2").set(kBasesName, "comercial").set(kBasesTicked, "1"));
  QAbstractItemModel* model = find<QTableView>("flxBases")->model();
  auto* des = find<QPushButton>("cmdDes");
  auto* act = find<QPushButton>("cmdAct");

  EXPECT_TRUE(model->setData(model->index(1, 2), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(form.flxBases.TextMatrix(2, kBasesTicked), "");
  EXPECT_FALSE(des->isEnabled());
  EXPECT_FALSE(act->isEnabled());

  EXPECT_TRUE(model->setData(model->index(0, 2), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(model->index(0, 2).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_TRUE(des->isEnabled());
  EXPECT_TRUE(act->isEnabled());
}

TEST_F(MainWindowTest, OnlyTheTickColumnOfDatabasesOpensForEditing) {
  setUpGrids();
  appendRow(form.flxBases, BasesRow().set(kBasesNumber, "1").set(kBasesName, "ventas"));
  QAbstractItemModel* model = find<QTableView>("flxBases")->model();
  EXPECT_TRUE(model->flags(model->index(0, 2)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(model->setData(model->index(0, 1), "otra", Qt::EditRole));
  EXPECT_EQ(form.flxBases.TextMatrix(1, kBasesName), "ventas");
}

TEST_F(MainWindowTest, CheckBoxesAndButtonsMirrorTheirModels) {
  auto* files = find<QCheckBox>("chkFiles");
  EXPECT_TRUE(files->isChecked());
  files->setChecked(false);
  EXPECT_EQ(form.chkFiles.Value(), 0);
  form.chkScripts.setValue(0);
  EXPECT_FALSE(find<QCheckBox>("chkScripts")->isChecked());
  form.cmdDes.setEnabled(false);
  EXPECT_FALSE(find<QPushButton>("cmdDes")->isEnabled());
  EXPECT_TRUE(find<QPushButton>("cmdAct")->font().bold());
}

TEST_F(MainWindowTest, EveryControlHasAnAccessibleName) {
  const std::vector<std::pair<const char*, const char*>> named = {
      {"chkFiles", "Bajar Archivos"},
      {"chkComandos", "Ejecutar cfd"},
      {"chkScripts", "Ejecutar Scripts"},
      {"cmdDes", "Descomprimir"},
      {"cmdAct", "Actualizar"},
      {"cmdRaiz", "cmdRaiz"},
      {"txtDirFD", "txtDirFD"},
      {"txtServidor", "txtServidor"},
      {"txtEstado", "txtEstado"},
      {"flxBases", "flxBases"},
      {"iLogo", "iLogo"},
      {"lblDirectorios", "Directorios"},
      {"lblBases", "Bases"},
      {"lblFendal", "Fendal"},
      {"lblServidor", "Servidor"},
      {"lblPaquetes", "Paquetes"},
      {"lblLogs", "Logs"},
  };
  for (const auto& [name, accessible] : named) {
    auto* widget = find<QWidget>(name);
    ASSERT_NE(widget, nullptr) << name;
    EXPECT_EQ(widget->accessibleName(), accessible) << name;
  }
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
        qobject_cast<QTableView*>(widget) || qobject_cast<QLabel*>(widget)) {
      // The select-all corner of a table is hidden with its row header.
      if (widget->inherits("QTableCornerButton"))
        continue;
      EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
    }
  }
}

TEST_F(MainWindowTest, AnExtractionHoldsEveryOtherActionBackUntilItEnds) {
  prefix.makeFolder("C:\\Fendal\\Comercial");
  // A package the RAR tool leaves without a manifest: reading it waits between attempts.
  prefix.writeFile("C:\\Upd\\CRM_1_0_0_x.rar", "");
  prefix.writeFile("C:\\Upd\\Winrar95.exe", "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(prefix.host("C:\\Upd\\Winrar95.exe"),
                               std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  ASSERT_TRUE(form.Form_Load());
  appendRow(form.flxBases, BasesRow().set(kBasesNumber, "1").set(kBasesName, "ventas"));
  const std::string server = form.txtServidor.Text();
  int rounds = 0;
  desktop.onEvents = [&] {
    if (rounds++ > 0)
      return;
    for (std::string_view name : test::kIdleOnlyControls)
      EXPECT_FALSE(find<QWidget>(std::string(name).c_str())->isEnabled()) << name;
    // What the widgets would pass on were they not shown unavailable.
    find<QCheckBox>("chkScripts")->setChecked(false);
    emit find<QLineEdit>("txtServidor")->textEdited("otro");
    leave(find<QLineEdit>("txtServidor"));
    form.txtCom.setText("Otro");
    leave(find<QLineEdit>("txtCom"));
    emit find<QPushButton>("cmdDes")->clicked();
    emit find<QPushButton>("cmdAct")->clicked();
    QAbstractItemModel* bases = find<QTableView>("flxBases")->model();
    EXPECT_FALSE(bases->setData(bases->index(0, 2), Qt::Checked, Qt::CheckStateRole));
    window.close();
  };
  find<QPushButton>("cmdDes")->click();

  EXPECT_GT(rounds, 0);
  const std::vector<std::string> log = fs.readLines(form.state.mArchivoLog);
  const auto count = [&](const std::string& text) {
    return std::count_if(log.begin(), log.end(),
                         [&](const std::string& line) { return line.ends_with(text); });
  };
  EXPECT_EQ(count(" Descomprimir"), 1);
  EXPECT_EQ(count(" LeerFiles"), 1);
  EXPECT_EQ(count(" Cambio de SERVIDOR"), 1);
  EXPECT_EQ(count(" Actualizar"), 0);
  EXPECT_NE(form.flxBases.CellChecked(1, kBasesTicked), kChecked);
  EXPECT_EQ(form.txtDirCom.Text(), "C:\\Fendal\\Comercial\\");
  EXPECT_EQ(form.chkScripts.Value(), 1);
  EXPECT_TRUE(find<QCheckBox>("chkScripts")->isChecked());
  EXPECT_EQ(form.txtServidor.Text(), server);
  EXPECT_EQ(find<QLineEdit>("txtServidor")->text().toStdString(), server);
  // Once the extraction has ended the window is available again, then closes as asked.
  EXPECT_TRUE(find<QWidget>("txtServidor")->isEnabled());
  EXPECT_TRUE(window.isVisible());
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, StartUpShowsTheWindowWithItsPackages) {
  prefix.makeFolder("C:\\Fendal\\Comercial");
  prefix.writeFile("C:\\Upd\\COMERCIAL_5_2_7_x.rar", "");
  prefix.writeFile("C:\\Upd\\CRM_1_0_12_beta.rar", "");
  ASSERT_TRUE(form.Form_Load());
  EXPECT_TRUE(window.isVisible());
  form.txtEstado.setText("Listo");
  QAbstractItemModel* packages = find<QTableView>("flxRar")->model();
  EXPECT_EQ(packages->rowCount(), 2);
  window.resize(980, 620);
  auto* tabs = find<QTabWidget>("SSTab1");
  for (int tab = 0; tab < tabs->count(); ++tab) {
    tabs->setCurrentIndex(tab);
    QCoreApplication::processEvents();
    test::saveScreenshot(window, QString("window-%1").arg(tab));
  }
  EXPECT_EQ(form.SSTab1.Tab(), 3);
  window.close();
}

}  // namespace
}  // namespace fd
