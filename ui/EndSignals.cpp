#include "ui/EndSignals.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#endif

namespace fd {

#ifndef _WIN32
namespace {

int signalPipe[2] = {-1, -1};

void onEndSignal(int) {
  const char byte = 1;
  // Nothing else is safe inside a handler; a full pipe already holds a request.
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void closeOnEndSignals(QWidget& window) {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
  QPointer<QWidget> target = &window;
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [target] {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (QWidget* modal = QApplication::activeModalWidget())
      modal->close();
    if (target)
      target->close();
  });
  struct sigaction action = {};
  action.sa_handler = onEndSignal;
  ::sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(signal, &action, nullptr);
}
#else
void closeOnEndSignals(QWidget&) {}
#endif

}  // namespace fd
