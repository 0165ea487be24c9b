// SPDX-License-Identifier: MIT
#include "language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>
#include <string>

#include "translation.h"

namespace calc {
namespace {

// Qt's translations of the language chosen last: a second choice replaces
// them.
QTranslator* qt_texts = nullptr;

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

void UseUserLanguage(QApplication& app) {
  ChooseLanguage(
      UserLanguages(Environment("LANGUAGE"), Environment("LC_ALL"), Environment("LC_MESSAGES"), Environment("LANG")));
  const std::string_view language = ChosenLanguage();
  if (qt_texts) {
    QCoreApplication::removeTranslator(qt_texts);
    delete qt_texts;
    qt_texts = nullptr;
  }
  if (!language.empty()) {
    // Debian's qt6-translations-l10n: missing, Qt's menus stay English.
    auto* qt = new QTranslator(&app);
    if (qt->load(QLatin1String("qtbase_") + QLatin1String(language.data(), static_cast<qsizetype>(language.size())),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(qt);
      qt_texts = qt;
    } else {
      delete qt;
    }
  }
  QGuiApplication::setLayoutDirection(RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
}

}  // namespace calc
