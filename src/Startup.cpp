#include "Startup.h"

#include "Unit1.h"

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
    ShowEscaped(QStringLiteral("An unexpected error ended the program."));
  }
  return 0;
}
