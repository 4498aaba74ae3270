// Waits for a lost device to come back. The system says when something may have changed
// (on Linux a change in the folder that holds the device's name or its by-id link; on
// Windows a device-arrival notice), and a slow look stands in where no notice comes, as
// under Wine. Each is a look: the owner then sees whether the device is there. How the
// system tells differs by platform: DeviceWatch_unix.cpp, DeviceWatch_win.cpp. Tests stand
// in for the system: they say when to look and what is there.
#pragma once

#include "PortBinding.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class TDeviceWatch : public QObject {
  Q_OBJECT
public:
  static constexpr std::chrono::milliseconds kSlowLook{1000};

  explicit TDeviceWatch(QObject *parent = nullptr);
  ~TDeviceWatch() override;

  // Starts looking for these names (the device, its stable link); stop() ends it.
  virtual void watch(const QStringList &names);
  virtual void stop();
  virtual bool watching() const { return slow_.isActive(); }
  // False when the device is certainly not there now: a cheap look before an open.
  virtual bool mayBePresent(const QString &device) const { return MayBePresent(device); }

  // The platform's notices, which call look.
  class Notices {
  public:
    virtual ~Notices() = default;
  };

signals:
  // The device may be back. told: the system said something changed, which is worth a
  // wider look (for the adapter under another name); otherwise it is the slow look.
  void look(bool told);

private:
  static std::unique_ptr<Notices> MakeNotices(TDeviceWatch *watch, const QStringList &names);

  QTimer slow_;
  std::unique_ptr<Notices> notices_;
};
