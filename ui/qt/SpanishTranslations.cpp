#include "ui/qt/SpanishTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace fd {

bool loadSpanishTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  // Qt's own folder, or a "translations" folder beside the program where Qt was deployed with it.
  for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                QCoreApplication::applicationDirPath() + "/translations"}) {
    if (translator->load("qtbase_es", folder))
      return QCoreApplication::installTranslator(translator);
  }
  delete translator;
  return false;
}

}  // namespace fd
