// Stand-ins for what a rule needs no device for: a clock the test moves, a session a run
// drives, and, for the session's own rules, a port and a watch over devices the test plugs
// and pulls. Nothing here waits for real time, so a test of them takes milliseconds and
// gives the same result on every machine.
#pragma once

#include "DeviceWatch.h"
#include "Session.h"

#include <QSet>

#include <map>

// Time stands still until the test moves it; timers fire in order as it passes them.
class ManualClock : public Clock {
public:
  qint64 nowNs() const override { return now_; }
  std::unique_ptr<ClockTimer> makeTimer(std::function<void()> fire) override;
  // Moves time on by ms, firing every timer due on the way at its own time.
  void advance(qint64 ms);
  // Fires what is due now, such as calls put off to "as soon as possible".
  void settle() { advance(0); }

private:
  friend class ManualTimer;
  qint64 now_ = 1000 * kNsPerMs;
  qint64 order_ = 0;
  // Due time and order of scheduling, per armed timer.
  std::map<class ManualTimer *, std::pair<qint64, qint64>> armed_;
};

// A session a run drives: it notes the writes, and sends what the test scripts, when the
// script says it arrived.
class TStandInSession : public TSession {
  Q_OBJECT
public:
  ManualClock time;
  QList<QByteArray> writes;
  QList<std::pair<int, qint32>> opens;
  OpenOutcome nextOpen{OpenOutcome::Opened, {}};
  // How long after an arrival the stand-in's reader learns of the bytes (the read's lag).
  qint64 readLagMs = 0;
  // Called after each write, as a device hears it.
  std::function<void(const QByteArray &)> device;

  Clock &clock() override { return time; }
  OpenOutcome open(int item, qint32 baud) override;
  void close() override;
  bool isOpen() const override { return open_; }
  std::optional<OpenLine> openLine() const override;
  void beginPress(Press press) override { press_ = press; }
  void endPress() override { press_.reset(); }
  bool WriteCom(const QByteArray &bytes) override;
  // Tells every chunk that has arrived by now.
  void poll() override;
  void note(const QString &what) override { notes << what; }
  void setPrompt(bool) override {}
  QStringList notes;

  // The device sends these bytes ms from now (they are told readLagMs after that).
  void arrive(const QByteArray &bytes, qint64 ms = 0);
  // Does what ms from now.
  void at(qint64 ms, std::function<void()> what);
  void discard(qint64 bytes);
  void loseLine();

private:
  bool open_ = false;
  std::optional<Press> press_;
  // Arrived, not yet told: the bytes and their arrival.
  QList<RxChunk> unread_;
  std::vector<std::unique_ptr<ClockTimer>> timers_;
};

// Devices a test plugs in, pulls out, or has held by another program.
struct StandInDevices {
  QSet<QString> present;
  QSet<QString> busy;
  // Ports opened on these devices whose line is lost.
  QSet<QString> lost;
};

// A port over StandInDevices: it opens what is present and not busy.
class StandInPort : public TComPort {
public:
  explicit StandInPort(StandInDevices *devices) : devices_(devices) {}
  bool open(const QString &device) override;
  QString failureReason() const override { return reason_; }
  bool deviceMissing() const override { return missing_; }
  bool isOpen() const override { return !device_.isEmpty(); }
  LineSettings settings() const override { return settings_; }
  bool applySettings(const LineSettings &settings) override;
  Written write(const QByteArray &bytes) override { return {bytes.size(), SteadyNs()}; }
  qint64 queued() const override { return 0; }
  qint64 bytesWaiting() override { return 0; }
  QByteArray read(qint64) override { return {}; }
  qint64 purgeInput() override { return 0; }
  bool lineLost() const override { return devices_->lost.contains(device_); }

private:
  StandInDevices *devices_;
  QString device_;
  QString reason_;
  bool missing_ = false;
  LineSettings settings_;
};

// A watch that looks when the test says so, and sees what StandInDevices has present.
class TStandInWatch : public TDeviceWatch {
  Q_OBJECT
public:
  explicit TStandInWatch(StandInDevices *devices) : devices_(devices) {}
  void watch(const QStringList &names) override {
    names_ = names;
    watching_ = true;
  }
  void stop() override { watching_ = false; }
  bool watching() const override { return watching_; }
  bool mayBePresent(const QString &device) const override {
    return devices_->present.contains(device);
  }
  QStringList names() const { return names_; }

private:
  StandInDevices *devices_;
  QStringList names_;
  bool watching_ = false;
};
