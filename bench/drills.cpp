// How fast the tool gets through the faults the suite drills: a flood that must not hold up
// the event loop, a Clear right after it, a send whose device is pulled, and closing the
// window while the port is polled.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"

#include <QElapsedTimer>

#include <poll.h>
#include <unistd.h>

void DrillsGroup() {
  // A flood at the pseudo-terminal's own speed, far over what a poll may take.
  {
    OpenTool tool;
    std::atomic<bool> stop{false};
    std::thread flood([&stop, fd = tool.device.masterFd()] {
      const QByteArray chunk(4096, 'f');
      while (!stop) {
        pollfd room{fd, POLLOUT, 0};
        if (::poll(&room, 1, 20) > 0) [[maybe_unused]]
          const ssize_t n = ::write(fd, chunk.constData(), size_t(chunk.size()));
      }
    });
    qint64 worstLateMs = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < (gQuick ? 3000 : 10000)) {
      QElapsedTimer tick;
      tick.start();
      RunFor(50);
      worstLateMs = qMax(worstLateMs, tick.elapsed() - 50);
    }
    stop = true;
    flood.join();
    QElapsedTimer clear;
    clear.start();
    QMetaObject::invokeMethod(Button(&tool.form, "Button7"), &QPushButton::click,
                              Qt::QueuedConnection);
    RunUntil([&] { return MemoText(&tool.form).isEmpty(); }, 5000);
    const double clearMs = double(clear.nsecsElapsed()) / 1e6;
    Report("A flood at the pseudo-terminal's speed: a 50 ms timer, then Clear",
           "timer late < 200 ms; Clear < 200 ms",
           QStringLiteral("timer late at most %1 ms; Clear took effect in %2")
               .arg(worstLateMs)
               .arg(Ms(clearMs)),
           worstLateMs < 200 && clearMs < 200);
  }
  // The device pulled 200 ms into a send the line cannot take at once.
  {
    OpenTool tool;
    tool.form.setReopenForRun(false);
    Control<QPlainTextEdit>(&tool.form, "Memo1")->setPlainText(QString(300000, QLatin1Char('u')));
    std::thread unplug([d = &tool.device] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      d->hangUp();
    });
    QElapsedTimer clock;
    clock.start();
    Click(&tool.form, "Button6");
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    unplug.join();
    Report("SEND of 300 KB, the device pulled after 200 ms", "the press returns < 1.5 s",
           QStringLiteral("returned after %1").arg(Ms(ms)), ms < 1500);
  }
  // Exit while the port is polled: the window, the poller and the port go.
  {
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
      auto tool = std::make_unique<OpenTool>();
      RunFor(100);
      QElapsedTimer clock;
      clock.start();
      Click(&tool->form, "Button3");
      tool.reset();
      ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double worst = Percentile(ms, 1.0);
    Report("Exit while the port is open and polled, 5 times", "< 1 s",
           QStringLiteral("worst %1").arg(Ms(worst)), worst < 1000);
  }
}
