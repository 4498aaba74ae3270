// The one window of the VFD test tool. Every feature is a click handler of TrdCom, run on
// the GUI thread. The handlers press; the port session (PortSession.h) does the line's work,
// and its signals come back here as the status labels, the buttons and the receive box. The
// window shows the line; it is not the line, and a headless run needs none of it.
#pragma once

#include "PortSession.h"
#include "ReceiveText.h"
#include "SequenceRunner.h"

#include <QByteArray>
#include <QWidget>

QT_BEGIN_NAMESPACE
namespace Ui {
class TrdCom;
}
class QButtonGroup;
class QLabel;
class QMenu;
QT_END_NAMESPACE

class TLineMonitor;
class TResultsKeeper;
class TResultsWindow;
class TPortMenu;
class TRead232;
class TSequenceWindow;
class TStationBoard;

// Which buttons can be pressed changes only at these transitions.
enum class ControlState { StartedUp, Opened, Closed };

class TrdCom : public QWidget {
  Q_OBJECT
public:
  // options: the devices named for this run, and the stand-ins tests put behind the port.
  explicit TrdCom(SessionOptions options = {});
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

  // What a poll read, shown at the end of Memo2.
  void ReadCom(const RxChunk &chunk);

  TPortSession *session() const { return session_; }
  TPortMenu *portMenu() const { return portMenu_; }
  TLineMonitor *lineMonitor() const { return monitor_; }
  TSequenceWindow *sequenceWindow() const { return sequences_; }
  TResultsKeeper *resultsKeeper() const { return keeper_; }
  TResultsWindow *resultsWindow() const { return results_; }
  // Stores runs where this names (as --results does) rather than where the window's setting
  // says; empty keeps the setting.
  void useResults(const QString &where);
  // The devices the operator's board starts with: all the serial ports found, unless set.
  void setStationDevices(const QStringList &devices) { stationDevices_ = devices; }
  TStationBoard *stationBoard() const { return station_; }
  // The port item and speed chosen in the window.
  PortChoice choice() const;

  // Appends every row of the line monitor to this file from now on; on failure the
  // monitor comes up and says why.
  void recordLineTo(const QString &path);

  // A lost line waits for its device to come back and reopens it (unless the port menu's
  // choice says otherwise); false turns that off for this run.
  void setReopenForRun(bool reopen) { session_->setReopenForRun(reopen); }
  bool waitingForDevice() const { return session_->waitingForDevice(); }

  TRead232 *ReaderThread = nullptr;

private:
  void showOpened(const LineSettings &settings);
  void showPortClosed();
  void applyControlState(ControlState state);
  void showMonitor();
  void showSequences();
  void showStation(const QList<SequenceStep> &steps, const QString &name);
  void showResults();
  void showMemoMenu(const QPoint &pos);
  void showSessionEvents();

  Ui::TrdCom *ui;
  QButtonGroup *comItems_;
  QButtonGroup *baudItems_;
  TLineJournal *journal_;
  TPortSession *session_;
  TPortMenu *portMenu_;
  ReceiveText rxText_;
  TLineMonitor *monitor_;
  QAction *monitorAction_;
  TSequenceWindow *sequences_;
  QAction *sequencesAction_;
  TResultsKeeper *keeper_;
  TResultsWindow *results_;
  QAction *resultsAction_;
  // The board's sessions are each its own, on the same settings as this window's.
  SessionOptions stationOptions_;
  QStringList stationDevices_;
  TStationBoard *station_ = nullptr;
};

// The one window of the process.
extern TrdCom *rdCom;
bool PortIsOpen();
