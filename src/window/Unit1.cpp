#include "Unit1.h"

#include "CodeTable.h"
#include "LineMonitor.h"
#include "Look.h"
#include "Platform.h"
#include "PortMenu.h"
#include "Presses.h"
#include "ResultsWindow.h"
#include "SequenceWindow.h"
#include "StationBoard.h"
#include "Sweep.h"
#include "Unit2.h"
#include "ui_Unit1.h"

#include <QButtonGroup>
#include <QMenu>
#include <QMessageBox>

TrdCom *rdCom = nullptr;

bool PortIsOpen() { return rdCom && rdCom->session()->isOpen(); }

namespace {
// Labels size themselves to their text, as the designer drew them.
void SetLabel(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

TrdCom::TrdCom(SessionOptions options) : ui(new Ui::TrdCom) {
  rdCom = this;
  ui->setupUi(this);
  ApplyLook(this, ui);
  move(232, 184);
  // As its definition draws it.
  setFixedSize(size());
  setWindowIcon(QIcon(QStringLiteral(":/glow-panel-64.png")));
  journal_ = new TLineJournal(this);
  // The monitor first: it hears the session's first rows too.
  monitor_ = new TLineMonitor(journal_, this);
  stationOptions_ = options;
  session_ = new TPortSession(journal_, std::move(options), this);

  comItems_ = new QButtonGroup(this);
  comItems_->addButton(ui->rdCOM_0, 0);
  comItems_->addButton(ui->rdCOM_1, 1);
  baudItems_ = new QButtonGroup(this);
  baudItems_->addButton(ui->rdBaudrate_0, 0);
  baudItems_->addButton(ui->rdBaudrate_1, 1);
  baudItems_->addButton(ui->rdBaudrate_2, 2);

  // A radio group is one stop in the tab order, at its checked item; the arrow keys move
  // within the group.
  for (QButtonGroup *group : {comItems_, baudItems_}) {
    for (QAbstractButton *item : group->buttons())
      item->setFocusPolicy(item->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    connect(group, &QButtonGroup::buttonToggled, this, [](QAbstractButton *item, bool checked) {
      item->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
    });
  }

  // The line monitor: a window of its own, from the receive memo's menu or F12 anywhere here.
  monitorAction_ = new QAction(tr("Line monitor"), this);
  monitorAction_->setShortcut(QKeySequence(Qt::Key_F12));
  monitorAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(monitorAction_);
  connect(monitorAction_, &QAction::triggered, this, &TrdCom::showMonitor);
  // Where runs are kept: the window's setting, unless the command line or the environment
  // names a store (useResults()).
  keeper_ = new TResultsKeeper(
      ResultsWhere({}).isEmpty() ? session_->bindings().resultsWhere() : QString(), this);
  results_ = new TResultsWindow(
      keeper_, [this](const QString &where) { return session_->bindings().setResultsWhere(where); },
      this);
  resultsAction_ = new QAction(tr("Results"), this);
  resultsAction_->setShortcut(QKeySequence(Qt::Key_F9));
  resultsAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(resultsAction_);
  connect(resultsAction_, &QAction::triggered, this, &TrdCom::showResults);
  // Test sequences: F11 anywhere here, or the receive memo's menu.
  sequences_ = new TSequenceWindow(
      session_, [this] { return choice(); }, monitor_, this);
  sequencesAction_ = new QAction(tr("Test sequences"), this);
  sequencesAction_->setShortcut(QKeySequence(Qt::Key_F11));
  sequencesAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(sequencesAction_);
  connect(sequencesAction_, &QAction::triggered, this, &TrdCom::showSequences);
  connect(sequences_, &TSequenceWindow::stationRequested, this, &TrdCom::showStation);
  connect(sequences_, &TSequenceWindow::resultsRequested, this, &TrdCom::showResults);
  sequences_->setKeeper(keeper_);
  ui->Memo2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui->Memo2, &QWidget::customContextMenuRequested, this, &TrdCom::showMemoMenu);

  portMenu_ = new TPortMenu(ui->rdCOM, comItems_, &session_->bindings());
  showSessionEvents();

  connect(ui->Button1, &QPushButton::clicked, this, &TrdCom::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TrdCom::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TrdCom::Button3Click);
  connect(ui->Button4, &QPushButton::clicked, this, &TrdCom::Button4Click);
  connect(ui->Button5, &QPushButton::clicked, this, &TrdCom::Button5Click);
  connect(ui->Button6, &QPushButton::clicked, this, &TrdCom::Button6Click);
  connect(ui->Button7, &QPushButton::clicked, this, &TrdCom::Button7Click);
  connect(ui->Button8, &QPushButton::clicked, this, &TrdCom::Button8Click);
  connect(ui->Button9, &QPushButton::clicked, this, &TrdCom::Button9Click);
  connect(ui->Clear_VFD, &QPushButton::clicked, this, &TrdCom::Clear_VFDClick);

  for (QLabel *label : {ui->Label20, ui->Label1})
    label->adjustSize();
  showPortClosed();
  applyControlState(ControlState::StartedUp);
  ui->Com_State->setToolTip(session_->bindings().problem());

  FormCreate();
}

TrdCom::~TrdCom() {
  // The session (its poller, then its port) goes before the window it reports to.
  delete sequences_;
  delete session_;
  session_ = nullptr;
  delete ui;
  if (rdCom == this)
    rdCom = nullptr;
}

void TrdCom::FormCreate() { ReaderThread = session_->reader(); }

void TrdCom::showSessionEvents() {
  connect(session_, &TSession::received, this, &TrdCom::ReadCom);
  connect(session_, &TSession::opened, this, [this](const LineSettings &settings) {
    showOpened(settings);
    applyControlState(ControlState::Opened);
  });
  connect(session_, &TSession::settingsRejected, this, &TrdCom::showOpened);
  connect(session_, &TSession::openFailed, this, [this](const QString &, const QString &advice) {
    ui->Com_State->setToolTip(advice + QStringLiteral("\n\n") +
                              PresentPortsHint(session_->bindings().listPorts()));
    SetLabel(ui->Com_State, QStringLiteral("開啟通訊埠錯誤!!"));
  });
  connect(session_, &TSession::closed, this, [this] {
    showPortClosed();
    applyControlState(ControlState::Closed);
  });
  connect(session_, &TSession::waiting, this, [this](const QString &device) {
    applyControlState(ControlState::Closed);
    SetLabel(ui->Com_State, tr("Waiting for %1 to return").arg(device));
    SetLabel(ui->Com_State1, QStringLiteral(">"));
    ui->Com_State->setToolTip(QString());
  });
  connect(session_, &TSession::reopened, this,
          [this](const LineSettings &settings, const QString &device, const QString &lostName) {
            showOpened(settings);
            if (!SameDevice(device, lostName))
              ui->Com_State->setToolTip(
                  tr("Reopened as %1; the port item still names %2.").arg(device, lostName));
            applyControlState(ControlState::Opened);
          });
  connect(session_, &TSession::reopenFailed, ui->Com_State, &QLabel::setToolTip);
  connect(session_, &TPortSession::settingsProblem, ui->Com_State, &QLabel::setToolTip);
  connect(session_, &TSession::pressed, this, [this](Press press) {
    if (press == Press::InitialVfd)
      SetLabel(ui->Com_State1, QStringLiteral("取得VFD"));
    else if (press == Press::Eend)
      SetLabel(ui->Com_State1, QStringLiteral("釋出KT-590控制權"));
  });
  connect(session_, &TSession::wrote, this, [this](const TxWrite &write) {
    if (write.press != Press::AsciiDemo || write.bytes.size() != 1)
      return;
    SetLabel(ui->Label1, SweepLabelText(uchar(write.bytes[0])));
    // Paint now: the button's sweep keeps the event loop, and the operator wants to see it
    // move.
    ui->Label1->repaint();
  });
}

PortChoice TrdCom::choice() const {
  return {comItems_->checkedId(), BaudForIndex(baudItems_->checkedId())};
}

void TrdCom::Button1Click() {
  // Each entry is a line of its own, the last one too: what comes next starts below it.
  ui->Memo2->showReceived();
  QString lines = CodeTableLines().join(QLatin1Char('\n')) + QLatin1Char('\n');
  if (!ui->Memo2->atLineStart())
    lines.prepend(QLatin1Char('\n'));
  ui->Memo2->appendText(lines);
}

void TrdCom::Button2Click() {
  // The sweep keeps the window, as it always has: no press and no poll until it ends.
  TSweep sweep(session_);
  if (!sweep.startSweep())
    return;
  while (sweep.writeNextByte()) {
    PauseExactly(std::chrono::nanoseconds(qMax<qint64>(0, sweep.nextNs() - SteadyNs())));
    if (sweep.done())
      break;
  }
}

void TrdCom::Button3Click() { close(); }

void TrdCom::Button4Click() {
  const PortChoice chosen = choice();
  if (session_->open(chosen.item, chosen.baud).result != OpenOutcome::SettingsRejected)
    return;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Set Error"),
                  QStringLiteral("通訊埠設定錯誤!!!"), QMessageBox::Ok);
  box.exec();
}

void TrdCom::showOpened(const LineSettings &settings) {
  ui->Com_State->setToolTip(QString());
  rxText_.reset();
  SetLabel(ui->Com_State, QStringLiteral("開啟通訊埠成功!!"));
  SetLabel(ui->Com_State1, SettingsSummary(settings));
  QPalette red = ui->Com_State1->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  ui->Com_State1->setPalette(red);
}

void TrdCom::Button5Click() { session_->close(); }

void TrdCom::showPortClosed() {
  ui->Com_State->setToolTip(QString());
  SetLabel(ui->Com_State, QStringLiteral("通訊埠關閉"));
  SetLabel(ui->Com_State1, QStringLiteral(">"));
}

void TrdCom::applyControlState(ControlState state) {
  // A letter per button: E enables it, D disables it, '-' leaves it as it is. A failed
  // open or rejected settings is no transition: nothing changes then.
  struct Row {
    ControlState state;
    const char *buttons;
  };
  static constexpr Row kRows[] = {
      //                          Code Build, ASCII Demo, Open, Initial VFD, eEND, Clear VFD
      {ControlState::StartedUp, "EDEDDD"},
      {ControlState::Opened, "DEDEEE"},
      {ControlState::Closed, "--EDD-"},
  };
  QPushButton *const buttons[] = {ui->Button1, ui->Button2, ui->Button4,
                                  ui->Button8, ui->Button9, ui->Clear_VFD};
  for (const Row &row : kRows) {
    if (row.state != state)
      continue;
    for (size_t i = 0; i < std::size(buttons); ++i)
      if (row.buttons[i] != '-')
        buttons[i]->setEnabled(row.buttons[i] == 'E');
  }
}

void TrdCom::Button6Click() {
  QString text = ui->Memo1->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  SendBytes(*session_, ToBig5(text));
}

void TrdCom::Button7Click() {
  ui->Memo2->dropReceived();
  ui->Memo2->clear();
}

void TrdCom::Button8Click() { PressFixed(*session_, Press::InitialVfd); }

void TrdCom::Button9Click() { PressFixed(*session_, Press::Eend); }

void TrdCom::Clear_VFDClick() { PressFixed(*session_, Press::ClearVfd); }

void TrdCom::ReadCom(const RxChunk &chunk) { ui->Memo2->appendReceived(rxText_.feed(chunk.bytes)); }

void TrdCom::showSequences() {
  sequences_->show();
  sequences_->raise();
  sequences_->activateWindow();
}

void TrdCom::showStation(const QList<SequenceStep> &steps, const QString &name) {
  if (!station_) {
    station_ = new TStationBoard(stationOptions_, {}, this);
    station_->setKeeper(keeper_);
    station_->setDevices(stationDevices_);
  }
  station_->setSequence(steps, name);
  station_->show();
  station_->raise();
  station_->activateWindow();
}

void TrdCom::showResults() {
  results_->show();
  results_->raise();
  results_->activateWindow();
}

void TrdCom::useResults(const QString &where) {
  if (!where.isEmpty())
    keeper_->use(where);
}

void TrdCom::showMonitor() {
  monitor_->show();
  monitor_->raise();
  monitor_->activateWindow();
}

void TrdCom::showMemoMenu(const QPoint &pos) {
  std::unique_ptr<QMenu> menu(ui->Memo2->createStandardContextMenu(pos));
  QAction *first = menu->actions().value(0);
  menu->insertAction(first, monitorAction_);
  menu->insertAction(first, sequencesAction_);
  menu->insertAction(first, resultsAction_);
  menu->insertSeparator(first);
  menu->exec(ui->Memo2->mapToGlobal(pos));
}

void TrdCom::recordLineTo(const QString &path) { monitor_->recordTo(path); }
