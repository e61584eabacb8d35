#pragma once

class QWidget;

namespace fd {

class Host;

// Makes the host's requests to end (SIGTERM, SIGINT and SIGHUP on POSIX) close the window as the
// user would: an open message box or dialog is dismissed and an operation under way stops at its
// next step.
void closeOnEndSignals(QWidget& window, Host& host);

}  // namespace fd
