// Which device each of the two port items ("COM 1", "COM 2") stands for. A binding comes,
// in this order, from the command line, from GLOW_PANEL_COM<n>, from the choice the
// operator saved in the window, or from the default (COM<n> on Windows, /dev/ttyS<n-1>
// elsewhere). A choice made in the window during the run outranks them all. The port
// session holds the bindings and reads one when it opens the port. How devices are named differs by
// platform: PortBinding_unix.cpp, PortBinding_win.cpp.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QSerialPortInfo;
class QSettings;
QT_END_NAMESPACE

// A serial port as the system reports it, with what identifies the adapter behind it.
struct SerialPortEntry {
  QString device;
  QString description;
  QString manufacturer;
  QString serialNumber;
  quint16 vendorId = 0;
  quint16 productId = 0;
};

// "COM" followed by the 1-based item number of the port radio group.
QString PortNameForIndex(int itemIndex);

// The ports present now, as the system lists them (it never lists pseudo-terminals).
QList<SerialPortEntry> SystemPorts();
using PortLister = std::function<QList<SerialPortEntry>()>;
// The device followed by what identifies it, as far as known, in brackets:
// "/dev/ttyUSB0 (FT232R USB UART, FTDI, serial A50285BI, USB 0403:6001)".
QString DescribeEntry(const SerialPortEntry &entry);
// The listed port that is this device (a link to it counts), or nullptr.
const SerialPortEntry *FindEntry(const QList<SerialPortEntry> &ports, const QString &device);
// The name the operator knows a port by: what the system lists, what is saved and shown.
QString DeviceOf(const QSerialPortInfo &info);
// One spelling for each device: on Windows "COM12" for "com12" and "\\.\COM12".
QString CanonicalDevice(const QString &device);
// Whether two names reach the same device.
bool SameDevice(const QString &a, const QString &b);
// The name that still finds this adapter after it moves to another socket: its
// /dev/serial/by-id link where there is one, else the device as given.
QString StablePath(const QString &device);

// False when the device is certainly not there now: a cheap look before an open. Where the
// system has no such look (Windows), true.
bool MayBePresent(const QString &device);

// Whether two entries are the same adapter, whatever its name now: the same USB serial
// number and vendor:product. An adapter without a serial number matches none.
bool SameAdapter(const SerialPortEntry &a, const SerialPortEntry &b);

// For an operator whose port did not open: what is present, and how to choose it.
QString PresentPortsHint(const QList<SerialPortEntry> &ports);

// Unknown: the saved choice could not be read; no device is named until one is chosen.
enum class BindingSource { Default, Saved, Environment, CommandLine, Unknown };

struct PortBinding {
  QString device;
  BindingSource source = BindingSource::Default;
};

class PortBindings {
public:
  static constexpr int kItems = 2;

  // commandLine holds a device per item for this run only; an empty one names none.
  // settingsFile: an INI file to keep the choices in instead of the user's own settings
  // (the registry on Windows); lister: where the ports present come from.
  explicit PortBindings(const QStringList &commandLine = {}, const QString &settingsFile = {},
                        PortLister lister = SystemPorts);

  PortBinding binding(int item) const;
  // The operator's choice: saved for later runs, and in force from now on in this one;
  // false when it could not be saved (problem() says why; it is in force all the same).
  bool choose(int item, const QString &device);
  // Back to the default, saved as such.
  bool useDefault(int item);

  static QString defaultDevice(int item);

  // Whether a port whose device went away is opened again when it returns (the default);
  // saved like the choices.
  bool reopenWhenBack() const;
  bool setReopenWhenBack(bool reopen);

  // Where the window stores runs, as --results names a store; empty for the default. Saved
  // like the choices.
  QString resultsWhere() const;
  bool setResultsWhere(const QString &where);

  // Why the settings could not be read or the last choice not saved, with the file; empty
  // when all is well. onProblem, when set, hears each problem as it arises.
  QString problem() const { return problem_; }
  std::function<void(const QString &)> onProblem;

  QList<SerialPortEntry> listPorts() const { return lister_(); }

private:
  // Saves an operator's choice and puts it in force for the rest of the run.
  bool keep(int item, const PortBinding &binding);
  QSettings settings() const;
  // Settings written: true, or false with the problem said.
  bool saved(QSettings &settings);

  QString commandLine_[kItems];
  // The saved choice or the default; after a choice in the window, that choice.
  PortBinding kept_[kItems];
  // A choice made in the window outranks the command line and the environment.
  bool chosenNow_[kItems] = {};
  QString settingsFile_;
  PortLister lister_;
  QString problem_;
  // The reopen choice made in this run, in force even when it could not be saved.
  std::optional<bool> reopen_;
};
