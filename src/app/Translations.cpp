#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool WantsTraditionalChinese(const QLocale &locale) {
  if (locale.language() != QLocale::Chinese)
    return false;
  switch (locale.territory()) {
  case QLocale::Taiwan:
  case QLocale::HongKong:
  case QLocale::Macau:
    return true;
  default:
    return locale.script() == QLocale::TraditionalChineseScript;
  }
}

void InstallTranslations(const QLocale &locale) {
  static QTranslator own, qt;
  QCoreApplication::removeTranslator(&own);
  QCoreApplication::removeTranslator(&qt);
  if (!WantsTraditionalChinese(locale))
    return;
  if (own.load(QStringLiteral(":/i18n/glow-panel_zh_TW.qm")))
    QCoreApplication::installTranslator(&own);
  // Qt's own from the system where it has them (Debian: qt6-translations-l10n), else the
  // copy built in (Windows).
  const QString name = QStringLiteral("qtbase_zh_TW");
  if (qt.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      qt.load(name, QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(&qt);
}
