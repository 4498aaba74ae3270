// A session on the line: the one place where the port is opened, read, written and closed.
// It tells what happens by signals that carry facts, not display text: the window turns
// them into its labels, buttons and receive box, a sequence run into verdicts. TPortSession
// is the real one, over a serial port; tests stand in for it where a rule needs no device.
#pragma once

#include "Clock.h"
#include "ComPort.h"
#include "VfdCommands.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// Bytes as one read took them, and when the reader learned they were there: the port
// announces bytes as they come, and one read may take several announcements' worth.
struct RxChunk {
  QByteArray bytes;
  // The first bytes' arrival.
  qint64 arrivalNs = 0;
  // Where bytes announced later begin, and when they arrived.
  std::vector<std::pair<qsizetype, qint64>> later;
};

// One write: its bytes, the press it belongs to (none for a bare write), when its last byte
// left, and how many left: fewer than all when the device held the line back.
struct TxWrite {
  QByteArray bytes;
  std::optional<Press> press;
  qint64 endNs = 0;
  qint64 went = 0;
  // The rest was held back by the device (flow control), not lost with the line.
  bool heldBack = false;
};

// A port item (0 for COM 1, 1 for COM 2) and a speed.
struct PortChoice {
  int item = 0;
  qint32 baud = kDefaultBaud;
};

// What the port is open on: the item and speed asked for, the device and its settings.
struct OpenLine {
  PortChoice choice;
  QString device;
  LineSettings settings;
};

struct OpenOutcome {
  enum Result { Opened, Failed, SettingsRejected };
  Result result = Failed;
  // Why not, in one line ("open failed: /dev/ttyUSB0: No such file or directory").
  QString problem;
};

class TSession : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;

  // The clock that stamps arrivals and writes; a run times its steps on it.
  virtual Clock &clock() = 0;
  // Opens port item 0 (COM 1) or 1 (COM 2) at the speed, 8 data bits, no parity, one stop
  // bit.
  virtual OpenOutcome open(int item, qint32 baud) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // What the port is open on, while it is open.
  virtual std::optional<OpenLine> openLine() const = 0;
  // The writes from beginPress() to endPress() belong to that press (the sweep's bytes one
  // at a time, SEND's text).
  virtual void beginPress(Press press) = 0;
  virtual void endPress() = 0;
  // Every byte the tool sends goes through here: one byte string as one write; nothing
  // when no port is open. False unless every byte left: the port is closed, lost, or held
  // back (then what did not leave is thrown away, and the rest of a press is not sent).
  virtual bool WriteCom(const QByteArray &bytes) = 0;
  // Reads what waits now, so that everything that arrived until now has been told.
  virtual void poll() = 0;
  // A row in the line's record that says what a run does ("RUN  line 5: send "X"").
  virtual void note(const QString &what) = 0;
  // Whether a run waits for replies: then they are read as they come, not gathered.
  virtual void setPrompt(bool prompt) = 0;

signals:
  void opened(const LineSettings &settings, const QString &device);
  // The device did not open: why in one line, and in full with advice.
  void openFailed(const QString &problem, const QString &advice);
  // The device opened but refused these settings; it is closed again.
  void settingsRejected(const LineSettings &settings);
  void closed();
  void lineLost();
  // The line was lost and the session waits for the device to return.
  void waiting(const QString &device);
  // The device returned and is open again, perhaps under another name than the one it
  // was lost by.
  void reopened(const LineSettings &settings, const QString &device, const QString &lostName);
  // The device is back but does not open; why, once for each reason.
  void reopenFailed(const QString &why);
  void received(const RxChunk &chunk);
  // A backlog of more than a poll may take was thrown away.
  void discarded(qint64 bytes);
  void wrote(const TxWrite &write);
  // A press with fixed bytes made its writes (Presses.h).
  void pressed(Press press);
};
