#include "Unit1.h"

#include "CodeTable.h"
#include "DeviceWatch.h"
#include "LineMonitor.h"
#include "LineRecorder.h"
#include "Look.h"
#include "Platform.h"
#include "PortMenu.h"
#include "SequenceWindow.h"
#include "Unit2.h"
#include "VfdCommands.h"
#include "ui_Unit1.h"

#include <QButtonGroup>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMessageBox>

TrdCom *rdCom = nullptr;
std::unique_ptr<TComPort> ComHandle;

namespace {
// Labels size themselves to their text, as the designer drew them.
void SetLabel(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

bool PortIsOpen() { return ComHandle && ComHandle->isOpen(); }

void WriteCom(const QByteArray &bytes) {
  if (!PortIsOpen())
    return;
  ComHandle->write(bytes);
  TLineRecorder::instance().sent(bytes);
}

TrdCom::TrdCom(ComPortFactory makePort, const QStringList &commandLineDevices)
    : ui(new Ui::TrdCom), makePort_(std::move(makePort)) {
  if (!makePort_)
    makePort_ = [] { return std::make_unique<TComPort>(); };
  ui->setupUi(this);
  ApplyLook(this, ui);
  move(232, 184);
  setFixedSize(564, 426);
  setWindowIcon(QIcon(QStringLiteral(":/glow-panel-64.png")));

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
  TLineRecorder::instance().reset();
  monitor_ = new TLineMonitor(this);
  monitorAction_ = new QAction(tr("Line monitor"), this);
  monitorAction_->setShortcut(QKeySequence(Qt::Key_F12));
  monitorAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(monitorAction_);
  connect(monitorAction_, &QAction::triggered, this, &TrdCom::showMonitor);
  // Test sequences: F11 anywhere here, or the receive memo's menu.
  sequences_ = new TSequenceWindow(this, monitor_, this);
  sequencesAction_ = new QAction(tr("Test sequences"), this);
  sequencesAction_->setShortcut(QKeySequence(Qt::Key_F11));
  sequencesAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(sequencesAction_);
  connect(sequencesAction_, &QAction::triggered, this, &TrdCom::showSequences);
  ui->Memo2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui->Memo2, &QWidget::customContextMenuRequested, this, &TrdCom::showMemoMenu);

  portMenu_ = new TPortMenu(ui->rdCOM, comItems_, commandLineDevices);
  watch_ = new TDeviceWatch(this);
  connect(watch_, &TDeviceWatch::look, this, &TrdCom::lookForDevice);

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

  FormCreate();
}

TrdCom::~TrdCom() {
  // Stop the poller before the port goes, then the port before the window.
  delete ReaderThread;
  ReaderThread = nullptr;
  ComHandle.reset();
  delete ui;
}

void TrdCom::FormCreate() {
  ReaderThread = new TRead232(true, this, [this] { ReadCom(); });
}

void TrdCom::Button1Click() {
  // Each entry is a line of its own, the last one too: what comes next starts below it.
  QString lines = CodeTableLines().join(QLatin1Char('\n')) + QLatin1Char('\n');
  if (!ui->Memo2->atLineStart())
    lines.prepend(QLatin1Char('\n'));
  ui->Memo2->appendText(lines);
}

void TrdCom::Button2Click() {
  if (!PortIsOpen())
    return;
  const TLineRecorder::Press press(buttonText(SequenceStep::AsciiDemo),
                                   QStringLiteral("ascii-demo"));
  for (int c = kSweepFirst; c <= kSweepLast; ++c) {
    // The step is timed from the write, so that the write itself and the repaint below do
    // not stretch it.
    const QDeadlineTimer step(kSweepStep, Qt::PreciseTimer);
    WriteCom(QByteArray(1, static_cast<char>(c)));
    PauseExactly(step.remainingTimeAsDuration());
    SetLabel(ui->Label1, SweepLabelText(c));
    // Paint now: the sweep keeps the event loop, and the operator wants to see it move.
    ui->Label1->repaint();
  }
}

void TrdCom::sweepStep(int byte) {
  // A sequence keeps the pace itself and leaves the event loop running, so the label is
  // painted in its turn.
  WriteCom(QByteArray(1, static_cast<char>(byte)));
  SetLabel(ui->Label1, SweepLabelText(byte));
}

void TrdCom::Button3Click() { close(); }

void TrdCom::Button4Click() {
  if (openItem(comItems_->checkedId(), BaudForIndex(baudItems_->checkedId())) !=
      OpenResult::SettingsRejected)
    return;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Set Error"),
                  QStringLiteral("通訊埠設定錯誤!!!"), QMessageBox::Ok);
  box.exec();
}

QString TrdCom::openPort(int item, qint32 baud) {
  if (item < 0)
    item = comItems_->checkedId();
  if (baud <= 0)
    baud = BaudForIndex(baudItems_->checkedId());
  return openItem(item, baud) == OpenResult::Opened ? QString() : openProblem_;
}

TrdCom::OpenResult TrdCom::openItem(int item, qint32 baud) {
  // An open of either item ends a wait for a lost device.
  stopWaiting();
  const QString device = portMenu_->binding(item).device;
  const OpenResult result = openDevice(device, baud, true);
  if (result != OpenResult::Opened) {
    TLineRecorder::instance().event(openProblem_);
    if (result == OpenResult::Failed) {
      ui->Com_State->setToolTip(openAdvice_ + QStringLiteral("\n\n") +
                                PresentPortsHint(ListSerialPorts()));
      SetLabel(ui->Com_State, QStringLiteral("開啟通訊埠錯誤!!"));
    }
    return result;
  }
  applyControlState(ControlState::Opened);
  TLineRecorder::instance().opened(device, SettingsSummary(opened_),
                                   QStringLiteral("open COM%1 %2").arg(item + 1).arg(baud));
  ReaderThread->start();
  last_ = {device, StablePath(device), baud, {}};
  const QList<SerialPortEntry> ports = ListSerialPorts();
  if (const SerialPortEntry *entry = FindEntry(ports, device))
    last_.adapter = *entry;
  return OpenResult::Opened;
}

TrdCom::OpenResult TrdCom::openDevice(const QString &device, qint32 baud, bool shown) {
  ComHandle = makePort_();
  connect(ComHandle.get(), &TComPort::attention, this, [this] {
    if (ReaderThread)
      ReaderThread->portNews(ComHandle ? ComHandle->bytesWaiting() : 0);
  });
  if (!ComHandle->open(device)) {
    openAdvice_ = ComHandle->failureReason();
    openMissing_ = ComHandle->deviceMissing();
    openProblem_ =
        QStringLiteral("open failed: %1").arg(openAdvice_.section(QLatin1Char('\n'), 0, 0));
    ComHandle.reset();
    return OpenResult::Failed;
  }
  LineSettings settings = ComHandle->settings();
  settings.baudRate = baud;
  settings.dataBits = QSerialPort::Data8;
  settings.parity = QSerialPort::NoParity;
  settings.stopBits = QSerialPort::OneStop;
  if (shown)
    showOpened(settings);
  if (!ComHandle->applySettings(settings)) {
    openProblem_ =
        QStringLiteral("settings %1 rejected by %2").arg(SettingsSummary(settings), device);
    ComHandle.reset();
    return OpenResult::SettingsRejected;
  }
  opened_ = settings;
  return OpenResult::Opened;
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

bool TrdCom::waitingForDevice() const { return watch_->watching(); }

void TrdCom::lineLost() {
  TLineRecorder::instance().lost();
  if (!reopenForRun_ || !PortBindings::reopenWhenBack() || last_.device.isEmpty()) {
    Button5Click();
    return;
  }
  // No message box: what the device says as it comes back must not wait for the operator.
  ComHandle.reset();
  applyControlState(ControlState::Closed);
  SetLabel(ui->Com_State, tr("Waiting for %1 to return").arg(last_.device));
  SetLabel(ui->Com_State1, QStringLiteral(">"));
  ui->Com_State->setToolTip(QString());
  reopenProblem_.clear();
  lostAt_.start();
  TLineRecorder::instance().event(QStringLiteral("waiting for %1").arg(last_.device));
  watch_->watch({last_.device, last_.stablePath});
}

void TrdCom::lookForDevice(bool told) {
  if (ComHandle) {
    stopWaiting();
    return;
  }
  QStringList names{last_.device};
  if (last_.stablePath != last_.device)
    names << last_.stablePath;
  // The same adapter under another name: asked only when the system told of a change, as
  // listing the ports costs more than a look.
  if (told && !last_.adapter.serialNumber.isEmpty())
    for (const SerialPortEntry &e : ListSerialPorts())
      if (SameAdapter(e, last_.adapter) && !names.contains(e.device))
        names << e.device;
  for (const QString &device : names) {
    if (!MayBePresent(device))
      continue;
    const OpenResult result = openDevice(device, last_.baud, false);
    if (result == OpenResult::Opened) {
      watch_->stop();
      showOpened(opened_);
      if (!SameDevice(device, last_.device))
        ui->Com_State->setToolTip(
            tr("Reopened as %1; the port item still names %2.").arg(device, last_.device));
      applyControlState(ControlState::Opened);
      TLineRecorder::instance().event(QStringLiteral("reopened %1 at %2 after %3 s")
                                          .arg(device, SettingsSummary(opened_))
                                          .arg(double(lostAt_.elapsed()) / 1000, 0, 'f', 1));
      ReaderThread->start();
      return;
    }
    // Not back yet is no news; a device that is back but refuses is, once per reason.
    if (result == OpenResult::Failed && openMissing_)
      continue;
    if (openProblem_ != reopenProblem_) {
      reopenProblem_ = openProblem_;
      TLineRecorder::instance().event(QStringLiteral("reopen failed: %1").arg(openProblem_));
      // The status stays short; why the device refuses is in its tooltip.
      ui->Com_State->setToolTip(
          openAdvice_.isEmpty() || result != OpenResult::Failed ? openProblem_ : openAdvice_);
    }
  }
}

void TrdCom::stopWaiting() {
  if (!watch_->watching())
    return;
  watch_->stop();
  TLineRecorder::instance().event(QStringLiteral("stopped waiting for %1").arg(last_.device));
}

void TrdCom::Button5Click() {
  stopWaiting();
  if (ComHandle)
    TLineRecorder::instance().closed();
  ComHandle.reset();
  showPortClosed();
  applyControlState(ControlState::Closed);
}

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
  send(ToBig5(text));
}

void TrdCom::send(const QByteArray &bytes) {
  const TLineRecorder::Press press(buttonText(SequenceStep::Send), QStringLiteral("send"));
  WriteCom(bytes);
}

void TrdCom::press(SequenceStep::Kind kind) {
  switch (kind) {
  case SequenceStep::Close:
    Button5Click();
    break;
  case SequenceStep::InitialVfd:
    Button8Click();
    break;
  case SequenceStep::ClearVfd:
    Clear_VFDClick();
    break;
  case SequenceStep::Eend:
    Button9Click();
    break;
  default:
    break;
  }
}

QString TrdCom::buttonText(SequenceStep::Kind kind) const {
  switch (kind) {
  case SequenceStep::InitialVfd:
    return ui->Button8->text();
  case SequenceStep::ClearVfd:
    return ui->Clear_VFD->text();
  case SequenceStep::Eend:
    return ui->Button9->text();
  case SequenceStep::AsciiDemo:
    return ui->Button2->text();
  case SequenceStep::Send:
    return ui->Button6->text();
  default:
    return {};
  }
}

void TrdCom::Button7Click() { ui->Memo2->clear(); }

void TrdCom::Button8Click() {
  if (!PortIsOpen())
    return;
  const TLineRecorder::Press press(buttonText(SequenceStep::InitialVfd),
                                   QStringLiteral("initial-vfd"));
  WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[0])));
  for (int i = 1; i < kInitVfdLength; ++i)
    WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[i])));
  WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[0])));
  SetLabel(ui->Com_State1, QStringLiteral("取得VFD"));
}

void TrdCom::Button9Click() {
  if (!PortIsOpen())
    return;
  const TLineRecorder::Press press(buttonText(SequenceStep::Eend), QStringLiteral("eend"));
  WriteCom(QByteArray(kEndText));
  SetLabel(ui->Com_State1, QStringLiteral("釋出KT-590控制權"));
}

void TrdCom::Clear_VFDClick() {
  if (!PortIsOpen())
    return;
  const TLineRecorder::Press press(buttonText(SequenceStep::ClearVfd), QStringLiteral("clear-vfd"));
  WriteCom(QByteArray(1, static_cast<char>(ClearVfdBytes[0])));
}

void TrdCom::showSequences() {
  sequences_->show();
  sequences_->raise();
  sequences_->activateWindow();
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
  menu->insertSeparator(first);
  menu->exec(ui->Memo2->mapToGlobal(pos));
}

void TrdCom::recordLineTo(const QString &path) { monitor_->recordTo(path); }

void TrdCom::ReadCom() {
  if (!ComHandle)
    return;
  const qint64 waiting = ComHandle->bytesWaiting();
  if (waiting > TComPort::kOverflowLimit) {
    TLineRecorder::instance().discarded(ComHandle->purgeInput());
  } else {
    const QByteArray bytes = ComHandle->read(waiting);
    TLineRecorder::instance().received(bytes);
    ui->Memo2->appendText(rxText_.feed(bytes));
  }
  // What the device said before it went away is shown first.
  if (ComHandle->lineLost())
    lineLost();
}
