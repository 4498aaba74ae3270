// Windows: a port is known by its COM name, in any case and with or without the "\\.\"
// prefix that the system location carries. Windows keeps the COM name of a USB adapter
// with the adapter, so the name itself is stable.
#include "PortBinding.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

QString DeviceOf(const QSerialPortInfo &info) { return info.portName(); }

QString CanonicalDevice(const QString &device) {
  QString name = device.trimmed();
  for (const QLatin1String prefix : {QLatin1String("\\\\.\\"), QLatin1String("//./")})
    if (name.startsWith(prefix))
      name = name.mid(prefix.size());
  static const QRegularExpression comName(QStringLiteral("^com[0-9]+$"),
                                          QRegularExpression::CaseInsensitiveOption);
  return comName.match(name).hasMatch() ? name.toUpper() : name;
}

bool SameDevice(const QString &a, const QString &b) {
  return CanonicalDevice(a).compare(CanonicalDevice(b), Qt::CaseInsensitive) == 0;
}

QString StablePath(const QString &device) { return CanonicalDevice(device); }

QString PortBindings::defaultDevice(int item) { return PortNameForIndex(item); }

// A COM port is no file to look at; only opening it tells.
bool MayBePresent(const QString &) { return true; }
