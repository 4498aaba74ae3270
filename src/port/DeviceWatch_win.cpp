// Windows: an adapter plugged in is announced to every top-level window as
// WM_DEVICECHANGE with DBT_DEVICEARRIVAL; Qt offers no signal for it, so a native event
// filter hears it. Wine sends none: the slow look covers that.
#include "DeviceWatch.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <dbt.h>

namespace {
class ArrivalNotices : public TDeviceWatch::Notices, public QAbstractNativeEventFilter {
public:
  explicit ArrivalNotices(TDeviceWatch *watch) : watch_(watch) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~ArrivalNotices() override {
    if (QCoreApplication::instance())
      QCoreApplication::instance()->removeNativeEventFilter(this);
  }
  bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
    const MSG *msg = static_cast<const MSG *>(message);
    if (type == "windows_generic_MSG" && msg->message == WM_DEVICECHANGE &&
        msg->wParam == DBT_DEVICEARRIVAL)
      QMetaObject::invokeMethod(
          watch_, [watch = watch_] { emit watch->look(true); }, Qt::QueuedConnection);
    return false;
  }

private:
  TDeviceWatch *watch_;
};
} // namespace

std::unique_ptr<TDeviceWatch::Notices> TDeviceWatch::MakeNotices(TDeviceWatch *watch,
                                                                 const QStringList &) {
  return std::make_unique<ArrivalNotices>(watch);
}
