#include "Startup.h"

#include "Big5.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <exception>

namespace {
void ShowEscaped(const QString &what) {
  rdCom = nullptr;
  QMessageBox::critical(nullptr, QStringLiteral("GLOW_PANEL"), what);
}
} // namespace

int RunShowingEscapes(const std::function<void()> &body) {
  try {
    body();
  } catch (const std::exception &e) {
    ShowEscaped(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    ShowEscaped(QCoreApplication::translate("Startup", "An unexpected error ended the program."));
  }
  return 0;
}

void WarnIfNoBig5() {
  if (Big5Available())
    return;
  QMessageBox::warning(
      nullptr, QStringLiteral("GLOW_PANEL"),
      QCoreApplication::translate("Startup",
                                  "This system cannot convert Big5 (code page 950).\nOnly ASCII "
                                  "will be sent and shown; every other character is sent as "
                                  "\"?\" and shown as \"\uFFFD\"."));
}
