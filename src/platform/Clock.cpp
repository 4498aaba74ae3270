#include "Clock.h"

#include <QTimer>

#include <chrono>
#include <climits>

qint64 SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {
class SteadyTimer : public ClockTimer {
public:
  explicit SteadyTimer(std::function<void()> fire) : fire_(std::move(fire)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      // A timer counts whole milliseconds; one that comes early waits out the rest.
      if (SteadyNs() < at_)
        arm();
      else
        fire_();
    });
  }
  void startAt(qint64 ns) override {
    at_ = ns;
    arm();
  }
  void stop() override { timer_.stop(); }
  bool isActive() const override { return timer_.isActive(); }

private:
  void arm() {
    const qint64 left = at_ - SteadyNs();
    timer_.start(int(qBound<qint64>(0, (left + kNsPerMs - 1) / kNsPerMs, qint64(INT_MAX))));
  }

  std::function<void()> fire_;
  QTimer timer_;
  qint64 at_ = 0;
};

class Steady : public Clock {
public:
  qint64 nowNs() const override { return SteadyNs(); }
  std::unique_ptr<ClockTimer> makeTimer(std::function<void()> fire) override {
    return std::make_unique<SteadyTimer>(std::move(fire));
  }
};
} // namespace

Clock &SteadyClock() {
  static Steady clock;
  return clock;
}
