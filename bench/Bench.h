// The benchmark's harness: one table of rows, the event-loop helpers, the tool opened on a
// pseudo-terminal, and a device that sends at a steady rate. Each group of rows is a file of
// its own (Groups.h lists them); `glow_bench --only NAME` runs one.
#pragma once

#include "Harness.h"
#include "PtyDevice.h"
#include "SequenceRunner.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Set by --quick: every group shortens its runs.
extern bool gQuick;

// Adds a row to the table printed at the end, and says it on stderr at once.
void Report(const QString &figure, const QString &target, const QString &measured, bool met);
// Prints the table.
void PrintReport();

void RunFor(int ms);
// Runs the event loop until done() holds or timeoutMs pass; true when it held.
bool RunUntil(const std::function<bool()> &done, int timeoutMs);
double Percentile(std::vector<double> v, double p);
QString Ms(double ms);
// CPU share of one core, in %, for a stretch of CPU time over seconds of wall time.
inline double CoreShare(double cpuMs, double seconds) { return cpuMs / (seconds * 10.0); }

// The tool's window, shown, with COM 1 open on a pseudo-terminal.
struct OpenTool {
  PtyDevice device;
  TrdCom form;
  OpenTool();
};

// A port session on COM 1 = the pseudo-terminal, as a headless run has it, and a runner.
struct HeadlessTool {
  explicit HeadlessTool(const PtyDevice &pty);
  // Runs the steps until the run ends.
  bool run(const QList<SequenceStep> &steps, int repeat = 1);
  TLineJournal journal;
  std::unique_ptr<TPortSession> session;
  std::unique_ptr<SequenceRunner> runner;
};

// 38400 baud, 10 bits a byte.
constexpr int kBytesPerSecond38400 = 3840;
// The numbered line n of the soak and the side-by-side stream: 75 bytes with CR LF.
QByteArray NumberedLine(qint64 n);
// Text as a device sends it, seconds' worth at 38400 baud: ASCII and Big5 lines by turns.
QList<QByteArray> StreamLines(int seconds);

// A device on a thread of its own that sends piece n once the bytes before it are due at
// the given rate, to one pseudo-terminal or several alike, until a piece is empty or it is
// stopped. One that fell behind (the machine stalled) goes on from there rather than
// catching up in a burst.
class PacedDevice {
public:
  PacedDevice(std::vector<const PtyDevice *> ptys, int bytesPerSecond,
              std::function<QByteArray(qint64)> piece);
  ~PacedDevice();
  PacedDevice(const PacedDevice &) = delete;
  PacedDevice &operator=(const PacedDevice &) = delete;

  // Ends the sending and waits for the thread.
  void stop();
  // Waits until the last piece is sent.
  void finish();
  qint64 sent() const { return sent_; }
  qint64 pieces() const { return pieces_; }

private:
  void run();

  std::vector<const PtyDevice *> ptys_;
  int rate_;
  std::function<QByteArray(qint64)> piece_;
  std::atomic<qint64> sent_{0}, pieces_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A device on a thread of its own, on its own clock: "D<n>\n" is answered "R<n>\n" n ms
// after its last byte came; anything else comes straight back. It notes when each answer
// left, and when each byte arrived.
class ScriptedDevice {
public:
  explicit ScriptedDevice(const PtyDevice &pty);
  ~ScriptedDevice();
  ScriptedDevice(const ScriptedDevice &) = delete;
  ScriptedDevice &operator=(const ScriptedDevice &) = delete;
  // Each answer's time on the device's side, in ms.
  std::vector<double> answerMs();
  std::vector<qint64> arrivalsNs();

private:
  void run(int fd);

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<double> answerMs_;
  std::vector<qint64> arrivalsNs_;
  std::thread thread_;
};

// A sequence of rounds for a ScriptedDevice: "D5" answered within 30 ms, then a wait of 5 to
// 24 ms, on COM 1 at 38400 baud.
QByteArray RoundsFile(int rounds);
