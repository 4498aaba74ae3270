#include "StandIns.h"

class ManualTimer : public ClockTimer {
public:
  ManualTimer(ManualClock *clock, std::function<void()> fire)
      : clock_(clock), fire_(std::move(fire)) {}
  ~ManualTimer() override { stop(); }
  void startAt(qint64 ns) override { clock_->armed_[this] = {ns, clock_->order_++}; }
  void stop() override { clock_->armed_.erase(this); }
  bool isActive() const override { return clock_->armed_.count(const_cast<ManualTimer *>(this)); }
  void fire() { fire_(); }

private:
  ManualClock *clock_;
  std::function<void()> fire_;
};

std::unique_ptr<ClockTimer> ManualClock::makeTimer(std::function<void()> fire) {
  return std::make_unique<ManualTimer>(this, std::move(fire));
}

void ManualClock::advance(qint64 ms) {
  const qint64 until = now_ + ms * kNsPerMs;
  for (;;) {
    auto next = armed_.end();
    for (auto it = armed_.begin(); it != armed_.end(); ++it)
      if (it->second.first <= until && (next == armed_.end() || it->second < next->second))
        next = it;
    if (next == armed_.end())
      break;
    now_ = qMax(now_, next->second.first);
    ManualTimer *timer = next->first;
    armed_.erase(next);
    timer->fire();
  }
  now_ = until;
}

OpenOutcome TStandInSession::open(int item, qint32 baud) {
  opens.append({item, baud});
  open_ = nextOpen.result == OpenOutcome::Opened;
  if (open_)
    emit opened({baud}, QStringLiteral("COM%1").arg(item + 1));
  return nextOpen;
}

std::optional<OpenLine> TStandInSession::openLine() const {
  if (!open_ || opens.isEmpty())
    return std::nullopt;
  return OpenLine{{opens.last().first, opens.last().second},
                  QStringLiteral("COM%1").arg(opens.last().first + 1),
                  {opens.last().second}};
}

void TStandInSession::close() {
  open_ = false;
  emit closed();
}

bool TStandInSession::WriteCom(const QByteArray &bytes) {
  if (!open_)
    return false;
  writes.append(bytes);
  emit wrote({bytes, press_, time.nowNs(), bytes.size()});
  if (device)
    device(bytes);
  return true;
}

void TStandInSession::poll() {
  while (!unread_.isEmpty() && unread_.first().arrivalNs <= time.nowNs())
    emit received(unread_.takeFirst());
}

void TStandInSession::arrive(const QByteArray &bytes, qint64 ms) {
  const qint64 at = time.nowNs() + ms * kNsPerMs;
  unread_.append({bytes, at, {}});
  this->at(ms + readLagMs, [this] { poll(); });
}

void TStandInSession::at(qint64 ms, std::function<void()> what) {
  auto timer = time.makeTimer(std::move(what));
  timer->startAt(time.nowNs() + ms * kNsPerMs);
  timers_.push_back(std::move(timer));
}

void TStandInSession::discard(qint64 bytes) { emit discarded(bytes); }

void TStandInSession::loseLine() {
  open_ = false;
  emit lineLost();
  emit closed();
}

bool StandInPort::open(const QString &device) {
  missing_ = !devices_->present.contains(device);
  if (missing_ || devices_->busy.contains(device)) {
    reason_ =
        QStringLiteral("%1: %2").arg(device, missing_ ? QStringLiteral("No such file or directory")
                                                      : QStringLiteral("Device or resource busy"));
    return false;
  }
  device_ = device;
  return true;
}

bool StandInPort::applySettings(const LineSettings &settings) {
  settings_ = settings;
  return true;
}
