#include "Startup.h"

#include "Unit1.h"

#include <QMessageBox>

#include <exception>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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

void PrepareForLongRun() {
#ifdef __GLIBC__
  // By default glibc raises this threshold as large buffers are freed, and a growing
  // buffer then moves within the heap, leaving its old copy resident. Qt has no say here.
  constexpr int kOwnMappingFrom = 256 * 1024;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}
