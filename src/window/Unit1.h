// The one window of the VFD test tool. Every feature is a click handler of TrdCom and runs
// on the GUI thread: opening and closing the port, sending, the display commands, the
// character sweep and the code table. The reader thread (Unit2) only asks this window to
// run ReadCom, so the port (ComHandle) and the controls are never touched by two threads.
#pragma once

#include "ComPort.h"
#include "PortBinding.h"
#include "ReceiveText.h"
#include "SequenceRunner.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QWidget>

#include <chrono>
#include <memory>

QT_BEGIN_NAMESPACE
namespace Ui {
class TrdCom;
}
class QButtonGroup;
class QLabel;
class QMenu;
QT_END_NAMESPACE

class TDeviceWatch;
class TLineMonitor;
class TPortMenu;
class TRead232;
class TSequenceWindow;

// Which buttons can be pressed changes only at these transitions.
enum class ControlState { StartedUp, Opened, Closed };

// The open serial port of the process, or none.
extern std::unique_ptr<TComPort> ComHandle;
bool PortIsOpen();
// Sends one byte string as one write when a port is open; the outcome is not examined.
void WriteCom(const QByteArray &bytes);

class TrdCom : public QWidget, public SequencePanel {
  Q_OBJECT
public:
  static constexpr int kFontPixels = 13;
  static constexpr std::chrono::milliseconds kSweepStep{100};

  // makePort lets tests put a watching or refusing port behind ComHandle.
  // commandLineDevices names a device for COM 1 and COM 2 for this run only.
  explicit TrdCom(ComPortFactory makePort = {}, const QStringList &commandLineDevices = {});
  ~TrdCom() override;

  void FormCreate();
  void Button1Click();   // Code Build
  void Button2Click();   // ASCII Demo
  void Button3Click();   // Exit
  void Button4Click();   // open the port
  void Button5Click();   // close the port
  void Button6Click();   // SEND
  void Button7Click();   // Clear
  void Button8Click();   // Initial VFD
  void Button9Click();   // eEND
  void Clear_VFDClick(); // Clear VFD

  // One poll of the port: everything waiting is shown at the end of Memo2, unless more
  // is waiting than a poll may take, in which case all of it is thrown away.
  void ReadCom();

  TPortMenu *portMenu() const { return portMenu_; }

  // Appends every row of the line monitor to this file from now on; on failure the
  // monitor comes up and says why.
  void recordLineTo(const QString &path);
  TLineMonitor *lineMonitor() const { return monitor_; }

  TRead232 *ReaderThread = nullptr;

  // What a sequence presses: the handlers above.
  QString openPort(int item, qint32 baud) override;
  bool portOpen() const override { return PortIsOpen(); }
  void press(SequenceStep::Kind kind) override;
  void send(const QByteArray &bytes) override;
  void sweepStep(int byte) override;
  QString buttonText(SequenceStep::Kind kind) const override;

  TSequenceWindow *sequenceWindow() const { return sequences_; }

  // A lost line waits for its device to come back and reopens it (unless the port menu's
  // choice says otherwise); false turns that off for this run.
  void setReopenForRun(bool reopen) { reopenForRun_ = reopen; }
  bool waitingForDevice() const;

private:
  enum class OpenResult { Opened, Failed, SettingsRejected };
  OpenResult openItem(int item, qint32 baud);
  // Opens the device as ComHandle at the speed, 8N1; shown, the status says so as soon as
  // the device opened. On failure ComHandle is none and openProblem_ says why.
  OpenResult openDevice(const QString &device, qint32 baud, bool shown);
  void showOpened(const LineSettings &settings);
  void lineLost();
  void lookForDevice(bool told);
  void stopWaiting();
  void applyControlState(ControlState state);
  void showPortClosed();
  void showMonitor();
  void showSequences();
  void showMemoMenu(const QPoint &pos);

  Ui::TrdCom *ui;
  QButtonGroup *comItems_;
  QButtonGroup *baudItems_;
  ComPortFactory makePort_;
  TPortMenu *portMenu_;
  ReceiveText rxText_;
  TLineMonitor *monitor_;
  QAction *monitorAction_;
  TSequenceWindow *sequences_;
  QAction *sequencesAction_;
  // Why the last open failed, in one line, and in full with advice.
  QString openProblem_;
  QString openAdvice_;
  bool openMissing_ = false;
  LineSettings opened_;
  // What the last open by the operator opened, to open it again when it comes back.
  struct LastOpen {
    QString device;
    QString stablePath;
    qint32 baud = 0;
    SerialPortEntry adapter;
  } last_;
  TDeviceWatch *watch_;
  QElapsedTimer lostAt_;
  QString reopenProblem_;
  bool reopenForRun_ = true;
};

extern TrdCom *rdCom;
