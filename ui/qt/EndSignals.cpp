#include "ui/qt/EndSignals.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include "platform/Host.h"

namespace fd {

void closeOnEndSignals(QWidget& window, Host& host) {
  const int requests = host.endRequests();
  if (requests < 0)
    return;
  auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, &window);
  QPointer<QWidget> target = &window;
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [target, &host] {
    host.clearEndRequests();
    if (QWidget* modal = QApplication::activeModalWidget())
      modal->close();
    if (target)
      target->close();
  });
}

}  // namespace fd
