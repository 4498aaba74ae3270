#include "DeviceWatch.h"

TDeviceWatch::TDeviceWatch(QObject *parent) : QObject(parent) {
  slow_.setInterval(kSlowLook);
  connect(&slow_, &QTimer::timeout, this, [this] { emit look(false); });
}

TDeviceWatch::~TDeviceWatch() = default;

void TDeviceWatch::watch(const QStringList &names) {
  notices_ = MakeNotices(this, names);
  slow_.start();
}

void TDeviceWatch::stop() {
  slow_.stop();
  notices_.reset();
}
