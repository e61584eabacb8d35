#pragma once

class QWidget;

namespace fd {

// Makes SIGTERM, SIGINT and SIGHUP close the window as the user would: an open message box or
// dialog is dismissed and an operation under way stops at its next step. Nothing on Windows.
void closeOnEndSignals(QWidget& window);

}  // namespace fd
