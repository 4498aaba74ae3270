#include "PortBinding.h"

#include "Tool.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>

QString PortNameForIndex(int itemIndex) { return QStringLiteral("COM%1").arg(itemIndex + 1); }

namespace {
// Where each item's choice is kept in the user's settings.
QString SettingsKey(int item) { return QStringLiteral("ports/") + PortNameForIndex(item); }

// A saved value is used only when it can be a device name at all; a damaged settings
// file must not keep the tool from starting.
QString SavedDevice(const QSettings &settings, int item) {
  const QVariant value = settings.value(SettingsKey(item));
  if (value.typeId() != QMetaType::QString)
    return QString();
  const QString device = value.toString();
  constexpr int kLongestPath = 4096;
  if (device.trimmed().isEmpty() || device.size() > kLongestPath)
    return QString();
  for (const QChar c : device)
    if (c.category() == QChar::Other_Control)
      return QString();
  return device;
}

QString EntryDetails(const SerialPortEntry &e) {
  QStringList parts;
  for (const QString &part : {e.description, e.manufacturer})
    if (!part.isEmpty() && !parts.contains(part))
      parts << part;
  if (!e.serialNumber.isEmpty())
    parts << QCoreApplication::translate("Ports", "serial %1").arg(e.serialNumber);
  if (e.vendorId || e.productId)
    parts << QStringLiteral("USB %1:%2")
                 .arg(e.vendorId, 4, 16, QLatin1Char('0'))
                 .arg(e.productId, 4, 16, QLatin1Char('0'));
  return parts.join(QStringLiteral(", "));
}
} // namespace

QList<SerialPortEntry> SystemPorts() {
  QList<SerialPortEntry> ports;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
    SerialPortEntry e;
    e.device = DeviceOf(info);
    e.description = info.description();
    e.manufacturer = info.manufacturer();
    e.serialNumber = info.serialNumber();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      e.vendorId = info.vendorIdentifier();
      e.productId = info.productIdentifier();
    }
    ports << e;
  }
  return ports;
}

QString DescribeEntry(const SerialPortEntry &e) {
  const QString details = EntryDetails(e);
  return details.isEmpty() ? e.device : QStringLiteral("%1 (%2)").arg(e.device, details);
}

const SerialPortEntry *FindEntry(const QList<SerialPortEntry> &ports, const QString &device) {
  for (const SerialPortEntry &e : ports)
    if (SameDevice(e.device, device))
      return &e;
  return nullptr;
}

QString PresentPortsHint(const QList<SerialPortEntry> &ports) {
  if (ports.isEmpty())
    return QCoreApplication::translate("Ports",
                                       "No serial ports are present. Plug in the adapter, then "
                                       "right-click\n\"Com Port\" to choose it.");
  QStringList lines{QCoreApplication::translate("Ports", "Ports present:")};
  for (const SerialPortEntry &e : ports)
    lines << QStringLiteral("  ") + DescribeEntry(e);
  lines << QCoreApplication::translate("Ports", "Right-click \"Com Port\" to choose one.");
  return lines.join(QLatin1Char('\n'));
}

PortBindings::PortBindings(const QStringList &commandLine, const QString &settingsFile,
                           PortLister lister)
    : settingsFile_(settingsFile), lister_(std::move(lister)) {
  const QSettings settings = this->settings();
  // A file that cannot be read may hold a choice: the default in its place could be another
  // device than the one the operator chose.
  const bool unreadable = settings.status() == QSettings::AccessError;
  if (unreadable) {
    // QSettings says only that it could not; the file itself says why.
    QFile file(settings.fileName());
    const QString why = QFileInfo(file).isDir()
                            ? QCoreApplication::translate("Ports", "a folder, not a file")
                        : file.open(QIODevice::ReadOnly) ? QString()
                                                         : file.errorString();
    problem_ = QCoreApplication::translate("Ports", "%1 cannot be read (%2); no device is named "
                                                    "for a port item until one is chosen")
                   .arg(settings.fileName(), why);
  }
  for (int item = 0; item < kItems; ++item) {
    commandLine_[item] = commandLine.value(item);
    const QString saved = SavedDevice(settings, item);
    kept_[item] = unreadable        ? PortBinding{QString(), BindingSource::Unknown}
                  : saved.isEmpty() ? PortBinding{defaultDevice(item), BindingSource::Default}
                                    : PortBinding{saved, BindingSource::Saved};
  }
}

PortBinding PortBindings::binding(int item) const {
  if (item < 0 || item >= kItems)
    return {};
  if (chosenNow_[item])
    return kept_[item];
  if (!commandLine_[item].isEmpty())
    return {commandLine_[item], BindingSource::CommandLine};
  const QString environment =
      qEnvironmentVariable(("GLOW_PANEL_" + PortNameForIndex(item)).toLatin1().constData());
  if (!environment.isEmpty())
    return {environment, BindingSource::Environment};
  return kept_[item];
}

bool PortBindings::choose(int item, const QString &device) {
  if (device.trimmed().isEmpty())
    return true;
  return keep(item, {StablePath(device), BindingSource::Saved});
}

bool PortBindings::useDefault(int item) {
  return keep(item, {defaultDevice(item), BindingSource::Default});
}

bool PortBindings::keep(int item, const PortBinding &binding) {
  if (item < 0 || item >= kItems)
    return true;
  kept_[item] = binding;
  chosenNow_[item] = true;
  QSettings settings = this->settings();
  if (binding.source == BindingSource::Default)
    settings.remove(SettingsKey(item));
  else
    settings.setValue(SettingsKey(item), binding.device);
  return saved(settings);
}

bool PortBindings::saved(QSettings &settings) {
  settings.sync();
  if (settings.status() == QSettings::NoError)
    return true;
  problem_ = QCoreApplication::translate("Ports", "%1 cannot be written; the choice holds for "
                                                  "this run only")
                 .arg(settings.fileName());
  if (onProblem)
    onProblem(problem_);
  return false;
}

QSettings PortBindings::settings() const {
  // The user's own settings: ~/.config/glow-panel/glow-panel.conf, or the registry under
  // HKEY_CURRENT_USER\Software\glow-panel on Windows.
  if (!settingsFile_.isEmpty())
    return QSettings(settingsFile_, QSettings::IniFormat);
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kToolName),
                   QLatin1String(kToolName));
}

namespace {
const QString kReopenKey = QStringLiteral("ports/reopen");
}

bool PortBindings::reopenWhenBack() const {
  if (reopen_)
    return *reopen_;
  const QVariant value = settings().value(kReopenKey, true);
  // A damaged value keeps the default.
  return value.typeId() == QMetaType::Bool || value.canConvert<bool>() ? value.toBool() : true;
}

bool PortBindings::setReopenWhenBack(bool reopen) {
  reopen_ = reopen;
  QSettings settings = this->settings();
  settings.setValue(kReopenKey, reopen);
  return saved(settings);
}

QString PortBindings::resultsWhere() const {
  return settings().value(QStringLiteral("results/where")).toString();
}

bool PortBindings::setResultsWhere(const QString &where) {
  QSettings s = settings();
  s.setValue(QStringLiteral("results/where"), where);
  return saved(s);
}

bool SameAdapter(const SerialPortEntry &a, const SerialPortEntry &b) {
  return !a.serialNumber.isEmpty() && a.serialNumber == b.serialNumber &&
         a.vendorId == b.vendorId && a.productId == b.productId;
}
