#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "UiTestSupport.h"
#include "ui/qt/QtDesktop.h"

namespace fd {
namespace {

class QtDesktopTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  // Runs once the next box is up: looks at it and answers with its default button. Whatever the
  // look finds (or throws), the box closes, so a failed check never leaves the test waiting.
  static void onBox(std::function<void(QMessageBox&)> look, int triesLeft = 500) {
    QTimer::singleShot(10, [look, triesLeft] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        if (triesLeft > 0)
          onBox(look, triesLeft - 1);
        else
          ADD_FAILURE() << "no message box came up";
        return;
      }
      struct Answer {
        QPointer<QMessageBox> box;
        ~Answer() {
          if (box && box->defaultButton() != nullptr)
            box->defaultButton()->click();
          else if (box)
            box->close();
        }
      } answer{box};
      look(*box);
    });
  }

  QtDesktop desktop;
};

TEST_F(QtDesktopTest, BoxWithoutTitleShowsTheProgramTitle) {
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  onBox([&](QMessageBox& box) {
    title = box.windowTitle();
    icon = box.icon();
  });
  EXPECT_EQ(desktop.msgBox("Terminó la Actualización", msgbox::kInformation, ""), msgbox::kOk);
  EXPECT_EQ(title, "Vadelo");
  EXPECT_EQ(icon, QMessageBox::Information);
}

TEST_F(QtDesktopTest, YesNoBoxDefaultsToTheSecondButtonWhenAsked) {
  QString title;
  onBox([&](QMessageBox& box) { title = box.windowTitle(); });
  EXPECT_EQ(
      desktop.msgBox("¿Continuar?", msgbox::kYesNo + msgbox::kQuestion + msgbox::kDefaultButton2,
                     "Usuarios"),
      msgbox::kNo);
  EXPECT_EQ(title, "Usuarios");
  onBox([](QMessageBox& box) { EXPECT_EQ(box.icon(), QMessageBox::Critical); });
  EXPECT_EQ(desktop.msgBox("¿Continuar?", msgbox::kYesNo + msgbox::kCritical, ""), msgbox::kYes);
}

TEST_F(QtDesktopTest, BusyPointerNeverStacks) {
  desktop.setBusyPointer(true);
  desktop.setBusyPointer(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  desktop.setBusyPointer(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  desktop.setBusyPointer(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace fd
