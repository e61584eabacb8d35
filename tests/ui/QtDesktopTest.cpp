#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "UiTestSupport.h"
#include "ui/QtDesktop.h"

namespace fd {
namespace {

class QtDesktopTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  // Runs once the next box is up: looks at it and answers with its default button.
  void onBox(std::function<void(QMessageBox&)> look) {
    QTimer::singleShot(0, [look] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      look(*box);
      box->defaultButton()->click();
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
