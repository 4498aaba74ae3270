// The tool as a process of its own, brought into a state and then left through the Exit
// button: for the drills that need a second process (a second instance on a busy port)
// or the real end of the process (exit timing and code).
//   tool_probe never-opened|open|sweep   press Exit once the state is reached
//   tool_probe hold|unplugged            press Exit when a line arrives on stdin
// Prints "status <Com_State>" after opening and "exit-at <ns>" (CLOCK_MONOTONIC) just
// before it presses Exit.
#include "ProcessStats.h"
#include "Unit1.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
void Click(TrdCom &form, const char *name) {
  form.findChild<QPushButton *>(QLatin1String(name))->click();
}
void Say(const char *what, const QString &value) {
  std::printf("%s %s\n", what, qPrintable(value));
  std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  const QByteArray state = argc > 1 ? QByteArray(argv[1]) : QByteArray("never-opened");
  TrdCom form;
  // A pseudo-terminal's name is soon another's: a probe waiting for its own must not open it.
  form.setReopenForRun(false);
  form.show();
  if (state != "never-opened") {
    Click(form, "Button4");
    Say("status", form.findChild<QLabel *>("Com_State")->text());
  }
  if (state == "sweep")
    Click(form, "Button2");

  auto leave = [&form] {
    Say("exit-at", QString::number(MonotonicNs()));
    Click(form, "Button3");
  };
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  if (state == "hold" || state == "unplugged") {
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
      input.setEnabled(false);
      leave();
    });
  } else {
    input.setEnabled(false);
    QTimer::singleShot(100, leave);
  }
  app.exec();
  return 0;
}
