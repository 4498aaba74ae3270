// Unix: a device is its path; links (such as /dev/serial/by-id/...) reach the device they
// point to, and a USB adapter is best remembered by its by-id link.
#include "PortBinding.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

QString DeviceOf(const QSerialPortInfo &info) { return info.systemLocation(); }

QString CanonicalDevice(const QString &device) { return device; }

bool SameDevice(const QString &a, const QString &b) {
  if (a == b)
    return true;
  const QString ca = QFileInfo(a).canonicalFilePath();
  return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

QString StablePath(const QString &device) {
  const QDir byId(QStringLiteral("/dev/serial/by-id"));
  if (device.startsWith(byId.path() + QLatin1Char('/')))
    return device;
  for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files))
    if (SameDevice(link.filePath(), device))
      return link.filePath();
  return device;
}

QString PortBindings::defaultDevice(int item) { return QStringLiteral("/dev/ttyS%1").arg(item); }

bool MayBePresent(const QString &device) { return QFileInfo::exists(device); }
