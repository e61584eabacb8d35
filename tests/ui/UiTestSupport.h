#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fixtures/TempPrefix.h"
#include "platform/AppError.h"
#include "platform/Database.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/SpanishTranslations.h"
#include "window/frmActualiza1.h"

namespace fd::test {

// One QApplication for the whole test program, made on first use (offscreen unless the caller
// chose a platform, e.g. xcb under Xvfb for a screenshot), in Spanish as the program starts.
inline void ensureApplication() {
  if (QCoreApplication::instance() != nullptr)
    return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  loadSpanishTranslations(*new QApplication(argc, argv));
}

// Answers every modal message box as it appears, with `answer` where the box has that button
// and with its OK button otherwise, keeping the title, text and button texts of each.
class MessageBoxAnswerer {
 public:
  struct Box {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;  // as shown, without the access keys' "&"
    bool operator==(const Box&) const = default;
  };

  explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Yes)
      : answer_(answer) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { answerBox(); });
    timer_.start(20);
  }

  std::vector<Box> boxes;

 private:
  void answerBox() {
    QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible())
      return;
    Box seen{box->windowTitle().toStdString(), box->text().toStdString(), {}};
    for (QAbstractButton* button : box->buttons())
      seen.buttons.push_back(button->text().remove('&').toStdString());
    boxes.push_back(seen);
    QAbstractButton* chosen = box->button(answer_);
    (chosen != nullptr ? chosen : box->button(QMessageBox::Ok))->click();
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
};

inline std::ostream& operator<<(std::ostream& out, const MessageBoxAnswerer::Box& box) {
  out << "[" << box.title << "] " << box.text << " [";
  for (const std::string& button : box.buttons)
    out << " " << button;
  return out << " ]";
}

// A server that is never there: every connection fails to open.
class NoServer : public DatabaseProvider {
 public:
  std::unique_ptr<Connection> createConnection() override {
    return std::make_unique<ClosedConnection>();
  }

 private:
  class ClosedConnection : public Connection {
   public:
    void setMode(int) override {}
    void setCursorLocation(int) override {}
    void setProvider(const std::string&) override {}
    void setProperty(const std::string&, const std::string&) override {}
    void open() override { throw AppError(-2147467259, "NoServer", "No existe el servidor"); }
    int state() const override { return kStateClosed; }
    std::unique_ptr<Recordset> execute(const std::string&) override {
      throw AppError(3704, "NoServer", "La conexión está cerrada");
    }
    void close() override {}
  };
};

// A suite of the real window over the services of a temporary Wine-style prefix, with the
// updater in programFolder; the clock, the desktop and the databases are the suite's choice.
template <typename ClockType, typename DesktopType, typename DatabasesType>
class PrefixWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ensureApplication(); }

  explicit PrefixWindowTest(const std::string& programFolder)
      : processes(prefix.mapper(), prefix.host(programFolder)),
        form(Services{fs, processes, clock, desktop, databases, prefix.mapper(), registry,
                      programFolder}) {}

  // Clicks a button of the window, which must be there and enabled.
  void click(const char* name) {
    auto* button = window.findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
  }

  TempPrefix prefix;
  PosixFileSystem fs{prefix.mapper()};
  PosixProcesses processes;
  ClockType clock;
  DesktopType desktop;
  DatabasesType databases;
  RegFileRegistry registry{registryFilePath(prefix.mapper())};
  frmActualiza1 form;
  MainWindow window{form};
};

// Saves a picture of the widget when FD_UI_SCREENSHOT_DIR names a folder, to look at by eye.
inline void saveScreenshot(QWidget& widget, const QString& name) {
  const QString folder = qEnvironmentVariable("FD_UI_SCREENSHOT_DIR");
  if (folder.isEmpty())
    return;
  EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png"));
}

}  // namespace fd::test

// The system's font configuration library keeps caches for the life of the process that
// LeakSanitizer reports once the Qt font database has loaded it; they are not the program's.
extern "C" const char* __lsan_default_suppressions();
