// Linux and other Unix systems: stdio is the terminal, the Ming face comes from
// fonts-arphic-uming, and sleeps already keep their time.
#include "Platform.h"

#include <cstdio>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void PrintToConsole(ConsoleStream stream, const QString &text) {
  std::fputs(text.toLocal8Bit().constData(), stream == ConsoleStream::Out ? stdout : stderr);
}

QStringList MingFaceSubstitutes() {
  return {QStringLiteral("PMingLiU"), QStringLiteral("AR PL UMing TW")};
}

void PauseExactly(std::chrono::nanoseconds time) { std::this_thread::sleep_for(time); }

void PrepareForLongRun() {
#ifdef __GLIBC__
  // By default glibc raises this threshold as large buffers are freed, and a growing
  // buffer then moves within the heap, leaving its old copy resident. Qt has no say here.
  constexpr int kOwnMappingFrom = 256 * 1024;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
#endif
}
