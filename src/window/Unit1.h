// The one window of the VFD test tool. Every feature is a click handler of TrdCom and runs
// on the GUI thread: opening and closing the port, sending, the display commands, the
// character sweep and the code table. The reader thread (Unit2) only asks this window to
// run ReadCom, so the port (ComHandle) and the controls are never touched by two threads.
#pragma once

#include "ComPort.h"
#include "ReceiveText.h"
#include "SequenceRunner.h"

#include <QByteArray>
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

private:
  enum class OpenResult { Opened, Failed, SettingsRejected };
  OpenResult openItem(int item, qint32 baud);
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
  // Why the last open failed, in one line.
  QString openProblem_;
};

extern TrdCom *rdCom;
