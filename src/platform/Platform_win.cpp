// Windows: a GUI program has no console of its own, so output goes to the console of the
// shell that started it (or to the file or pipe it was redirected to). Sleep() rounds up
// to the 15.6 ms timer tick, so exact pauses use a high-resolution waitable timer. The
// Ming face is PMingLiU where the Traditional Chinese fonts are installed, else Microsoft
// JhengHei, which every Windows since Vista has.
#include "Platform.h"

#include "ExitCode.h"

#include <QCoreApplication>

#include <atomic>
#include <system_error>
#include <thread>

#include <windows.h>

#include <timeapi.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
HANDLE ConsoleHandle(ConsoleStream stream) {
  const DWORD which = stream == ConsoleStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  HANDLE handle = GetStdHandle(which);
  if (handle && handle != INVALID_HANDLE_VALUE)
    return handle;
  // Started from cmd.exe or PowerShell without redirection: borrow their console. Qt offers
  // nothing for this.
  static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  if (!attached)
    return nullptr;
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}
} // namespace

namespace {
QString gConsoleProblem;
} // namespace

void PrintToConsole(ConsoleStream stream, const QString &text) {
  HANDLE handle = ConsoleHandle(stream);
  if (!handle || handle == INVALID_HANDLE_VALUE || text.isEmpty())
    return;
  DWORD mode = 0, written = 0;
  bool done = true;
  if (GetConsoleMode(handle, &mode)) {
    // A console takes UTF-16 whatever its code page, so Chinese shows as Chinese.
    QString console = text;
    console.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    WriteConsoleW(handle, console.utf16(), DWORD(console.size()), &written, nullptr);
  } else {
    const QByteArray bytes = text.toUtf8();
    done = WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr) &&
           written == DWORD(bytes.size());
  }
  if (done || stream != ConsoleStream::Out || !gConsoleProblem.isEmpty())
    return;
  gConsoleProblem =
      QStringLiteral("standard output: %1")
          .arg(QString::fromStdString(std::system_category().message(int(GetLastError())))
                   .trimmed());
  PrintToConsole(ConsoleStream::Err,
                 QStringLiteral("%1 (what follows is not there)\n").arg(gConsoleProblem));
}

QString ConsoleProblem() { return gConsoleProblem; }

namespace {
std::function<void(int)> gInterruptHandler;
std::atomic<bool> gInterrupted{false};

// Called on a thread of the system's own; the handler runs on the main thread. The codes
// are those a Unix shell would show for the same request.
BOOL WINAPI ConsoleInterrupt(DWORD event) {
  const int code = event == CTRL_CLOSE_EVENT ? kRunHungUp
                   : event == CTRL_C_EVENT   ? kRunInterrupted
                                             : kRunTerminated;
  if (gInterrupted.exchange(true))
    ExitProcess(UINT(code));
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [code] {
        if (gInterruptHandler)
          gInterruptHandler(code);
      },
      Qt::QueuedConnection);
  return TRUE;
}
} // namespace

void OnInterrupt(std::function<void(int)> handler) {
  gInterruptHandler = std::move(handler);
  gInterrupted = false;
  SetConsoleCtrlHandler(ConsoleInterrupt, gInterruptHandler ? TRUE : FALSE);
}

void InterruptOnInput() {
  // A pipe cannot be waited on with the event loop's notifiers on Windows: a thread of its
  // own blocks in the read. It ends with the process.
  std::thread([] {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char code = 0;
    DWORD n = 0;
    if (!input || input == INVALID_HANDLE_VALUE || !ReadFile(input, &code, 1, &n, nullptr) ||
        n == 0)
      code = char(kRunHungUp);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [code] {
          if (gInterruptHandler)
            gInterruptHandler(uchar(code));
        },
        Qt::QueuedConnection);
  }).detach();
}

QStringList MingFaceSubstitutes() {
  return {QStringLiteral("PMingLiU"), QStringLiteral("Microsoft JhengHei")};
}

void PauseExactly(std::chrono::nanoseconds time) {
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>((time.count() + 99) / 100); // relative, 100 ns units
  const bool armed = timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
  if (armed)
    WaitForSingleObject(timer, INFINITE);
  if (timer)
    CloseHandle(timer);
  if (armed)
    return;
  // Before Windows 10 1803: raise the timer resolution for the length of the pause.
  timeBeginPeriod(1);
  Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(time).count()));
  timeEndPeriod(1);
}

void PrepareForLongRun() {}
