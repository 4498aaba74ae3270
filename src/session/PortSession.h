// The port session: the open port (the window knows it as ComHandle), its reader thread and
// poll, the read with the 1024-byte rule, the write, the bindings of COM 1 and COM 2, and
// the wait for a lost device with its watch. Every fact goes to the line journal, as a row, and
// out as a signal (Session.h). No widget is involved: a headless run uses it as the window
// does.
//
// A chunk travels port -> session -> {journal, run, window}. Each chunk carries the time
// the port announced its bytes, noted as the announcement comes: the poll that reads them
// may come a little later, and its time is no arrival time.
#pragma once

#include "DeviceWatch.h"
#include "LineJournal.h"
#include "PortBinding.h"
#include "Session.h"

#include <functional>
#include <memory>
#include <vector>

class TRead232;

struct SessionOptions {
  // A device for COM 1 and COM 2 for this run only (--com1, --com2); empty for none.
  QStringList devices;
  // Choices kept in this INI file instead of the user's own settings.
  QString settingsFile;
  PortLister listPorts = SystemPorts;
  // Empty: real serial ports, and the system's watch for a lost device.
  ComPortFactory makePort;
  std::function<std::unique_ptr<TDeviceWatch>()> makeWatch;
  // False (--no-reopen): a lost line just closes the port in this run.
  bool reopen = true;
};

class TPortSession : public TSession {
  Q_OBJECT
public:
  explicit TPortSession(TLineJournal *journal, SessionOptions options = {},
                        QObject *parent = nullptr);
  ~TPortSession() override;

  Clock &clock() override { return SteadyClock(); }
  OpenOutcome open(int item, qint32 baud) override;
  void close() override;
  bool isOpen() const override;
  std::optional<OpenLine> openLine() const override;
  void beginPress(Press press) override;
  void endPress() override;
  bool WriteCom(const QByteArray &bytes) override;
  void poll() override { ReadCom(); }
  void note(const QString &what) override { journal_->event(what); }
  void setPrompt(bool prompt) override;

  // One poll: what waits is read and told, unless more waits than a poll may take; then
  // all of it is thrown away. A line found gone is then lost.
  void ReadCom();

  // The open port, or none.
  TComPort *ComHandle() const { return port_.get(); }
  TRead232 *reader() const { return reader_.get(); }
  PortBindings &bindings() { return bindings_; }
  const PortBindings &bindings() const { return bindings_; }
  TLineJournal *journal() const { return journal_; }
  bool waitingForDevice() const { return watch_->watching(); }
  void setReopenForRun(bool reopen) { reopen_ = reopen; }

signals:
  // The settings could not be read or a choice not saved: why, with the file. It is also
  // a row of the record and a line on standard error.
  void settingsProblem(const QString &problem);

private:
  // Opens the device as the port at the speed, 8N1; no signal, no row. On failure there is
  // no port and problem_ says why.
  OpenOutcome openDevice(const QString &device, qint32 baud);
  void portNews();
  void lineWentAway();
  void lookForDevice(bool told);
  void stopWaiting();

  TLineJournal *journal_;
  ComPortFactory makePort_;
  PortBindings bindings_;
  bool reopen_;
  std::unique_ptr<TComPort> port_;
  std::unique_ptr<TRead232> reader_;
  std::unique_ptr<TDeviceWatch> watch_;
  // Why the last open failed, in full with advice, and whether the device was missing.
  QString openAdvice_;
  bool openMissing_ = false;
  // The settings of the last open tried.
  LineSettings settings_;
  // What the last open opened, to open it again when it comes back.
  struct LastOpen {
    QString device;
    QString stablePath;
    qint32 baud = 0;
    SerialPortEntry adapter;
  } last_;
  qint64 lostAtNs_ = 0;
  // What the last open, by the operator or a run, opened.
  OpenLine openLine_;
  std::optional<Press> press_;
  QString reopenProblem_;
  // The port's announcements since the last read: how much it held then, and when.
  std::vector<std::pair<qint64, qint64>> arrivals_;
};
