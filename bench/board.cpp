// The operator's board with sixteen tiles: how soon a key press shows while fifteen run,
// timed by the thread that presses.
#include "Bench.h"
#include "Groups.h"
#include "ProcessStats.h"
#include "StationBoard.h"

#include <QCoreApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {
// Notes when each key press posted by another thread is followed by a paint of the field.
class KeyWatch : public QObject {
public:
  explicit KeyWatch(QLineEdit *field) { field->installEventFilter(this); }
  std::vector<double> delaysMs;
  std::atomic<qint64> postedNs{0};
  std::atomic<int> shown{0};

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::KeyPress) {
      pressed_ = true;
    } else if (event->type() == QEvent::Paint && pressed_) {
      pressed_ = false;
      delaysMs.push_back(double(MonotonicNs() - postedNs) / 1e6);
      ++shown;
    }
    return false;
  }

private:
  bool pressed_ = false;
};

void PostKey(QWidget *to, Qt::Key key, const QString &text = {}) {
  QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
}

// Every tile asks for a serial number first. Fifteen get theirs at once and run; the
// operator types into the first tile's field, key by key, while they do.
void BoardRow() {
  constexpr int kTiles = 16;
  std::vector<std::unique_ptr<PtyDevice>> ptys;
  std::vector<std::unique_ptr<ScriptedDevice>> devices;
  QStringList paths;
  for (int i = 0; i < kTiles; ++i) {
    ptys.push_back(std::make_unique<PtyDevice>());
    devices.push_back(std::make_unique<ScriptedDevice>(*ptys.back()));
    paths << ptys.back()->path();
  }
  QTemporaryDir settings;
  SessionOptions options;
  options.settingsFile = settings.filePath("settings.ini");
  TStationBoard board(options);
  board.setDevices(paths);
  board.setSequence(ParseSequence("ask serial \"SN\"\n" + RoundsFile(gQuick ? 60 : 150)).steps,
                    "rounds.seq");
  board.show();
  RunFor(300);
  const QList<TStationTile *> tiles = board.tiles();
  QList<QLineEdit *> answers;
  for (TStationTile *tile : tiles)
    answers << tile->findChild<QLineEdit *>("answer");
  // Made here, not by the presser's first event: it is an object of the application's.
  QInputDevice::primaryKeyboard();
  const qint64 startNs = MonotonicNs();
  board.startAll();
  const double startMs = double(MonotonicNs() - startNs) / 1e6;
  RunUntil(
      [&] { return std::none_of(answers.begin(), answers.end(), std::mem_fn(&QWidget::isHidden)); },
      5000);
  for (int i = 1; i < kTiles; ++i) {
    answers[i]->setText(QStringLiteral("SN%1").arg(i));
    PostKey(answers[i], Qt::Key_Return);
  }
  QLineEdit *field = answers.first();
  KeyWatch watch(field);
  std::atomic<bool> stop{false};
  // The presser: x and Backspace by turns, every 25 ms, each stamped as it is posted.
  std::thread presser([&] {
    for (int i = 0; !stop; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      watch.postedNs = MonotonicNs();
      const bool x = i % 2 == 0;
      PostKey(field, x ? Qt::Key_X : Qt::Key_Backspace, x ? "x" : QString());
      // The next press waits until this one has been shown.
      while (!stop && watch.shown <= i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  RunUntil(
      [&] {
        return std::none_of(tiles.begin() + 1, tiles.end(), std::mem_fn(&TStationTile::running));
      },
      60000);
  stop = true;
  presser.join();
  field->setText(QStringLiteral("SN0"));
  PostKey(field, Qt::Key_Return);
  RunUntil([&] { return !tiles.first()->running(); }, 30000);
  int passed = 0;
  for (TStationTile *tile : tiles)
    passed += !tile->running() && tile->runner()->failedSteps() == 0;
  const double median = Percentile(watch.delaysMs, 0.5), worst = Percentile(watch.delaysMs, 1);
  Report(QStringLiteral("Board: %1 tiles, 15 running while a serial number is typed into the "
                        "first, each key press until it is painted, timed by the pressing thread")
             .arg(kTiles),
         "every press shown within 50 ms",
         QStringLiteral("%1 presses: median %2, worst %3; Start all took %4; %5 of %6 tiles "
                        "passed")
             .arg(watch.delaysMs.size())
             .arg(Ms(median), Ms(worst), Ms(startMs))
             .arg(passed)
             .arg(kTiles),
         !watch.delaysMs.empty() && worst < 50 && passed == kTiles);
}
} // namespace

void BoardGroup() { BoardRow(); }
