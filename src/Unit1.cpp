#include "Unit1.h"

#include "CodeTable.h"
#include "Unit2.h"
#include "VfdCommands.h"
#include "ui_Unit1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TrdCom *rdCom = nullptr;
std::unique_ptr<TComPort> ComHandle;

namespace {
// A poll never takes more than this; a bigger backlog is dropped whole.
constexpr qint64 kOverflowLimit = 1024;

// Labels size themselves to their text, as the designer drew them.
void SetLabel(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

bool PortIsOpen() { return ComHandle && ComHandle->isOpen(); }

void WriteCom(const QByteArray &bytes) {
  if (PortIsOpen())
    ComHandle->write(bytes);
}

TrdCom::TrdCom(ComPortFactory makePort, QWidget *parent)
    : QWidget(parent), ui(new Ui::TrdCom), makePort_(std::move(makePort)) {
  if (!makePort_)
    makePort_ = [] { return std::make_unique<TComPort>(); };
  ui->setupUi(this);
  applyLook();
  move(232, 184);
  setFixedSize(564, 426);
  setWindowIcon(QIcon(QStringLiteral(":/glow-panel-64.png")));

  rdCOMItems = new QButtonGroup(this);
  rdCOMItems->addButton(ui->rdCOM_0, 0);
  rdCOMItems->addButton(ui->rdCOM_1, 1);
  rdBaudrateItems = new QButtonGroup(this);
  rdBaudrateItems->addButton(ui->rdBaudrate_0, 0);
  rdBaudrateItems->addButton(ui->rdBaudrate_1, 1);
  rdBaudrateItems->addButton(ui->rdBaudrate_2, 2);

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
  SetLabel(ui->Com_State, QStringLiteral("通訊埠關閉"));
  SetLabel(ui->Com_State1, QStringLiteral(">"));
  ui->Button8->setEnabled(false);
  ui->Button9->setEnabled(false);
  ui->Button2->setEnabled(false);
  ui->Clear_VFD->setEnabled(false);

  FormCreate();
}

TrdCom::~TrdCom() {
  // Stop the poller before the port goes, then the port before the window.
  delete ReaderThread;
  ReaderThread = nullptr;
  ComHandle.reset();
  delete ui;
}

void TrdCom::applyLook() {
  // A designer file can name font families but not pixel heights or system colour roles.
  QFont::insertSubstitutions(QStringLiteral("新細明體"),
                             {QStringLiteral("PMingLiU"), QStringLiteral("AR PL UMing TW")});
  for (QWidget *w : {static_cast<QWidget *>(this), static_cast<QWidget *>(ui->Com_State),
                     static_cast<QWidget *>(ui->Com_State1), static_cast<QWidget *>(ui->Memo2),
                     static_cast<QWidget *>(ui->rdCOM)}) {
    QFont font = w->font();
    font.setPixelSize(kFontPixels);
    w->setFont(font);
  }
  const QPalette system = QApplication::palette();
  const QColor navy(0, 0, 128);
  QPalette form = palette();
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    form.setColor(role, navy);
  setPalette(form);

  // The send field is one text line high; the default margin would cut that line off.
  ui->Memo1->document()->setDocumentMargin(1);
  QPalette memo = ui->Memo2->palette();
  memo.setColor(QPalette::Text, system.color(QPalette::Text));
  ui->Memo2->setPalette(memo);
  for (QLabel *label : {ui->Com_State, ui->Com_State1}) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, system.color(QPalette::WindowText));
    label->setPalette(p);
  }
  QPalette state = ui->Com_State->palette();
  state.setColor(QPalette::Window, system.color(QPalette::Light));
  ui->Com_State->setPalette(state);
}

void TrdCom::FormCreate() {
  ReaderThread = new TRead232(true, this, [this] { ReadCom(); });
}

void TrdCom::Button1Click() {
  QTextCursor end(ui->Memo2->document());
  end.movePosition(QTextCursor::End);
  QString lines = CodeTableLines().join(QLatin1Char('\n'));
  if (!end.block().text().isEmpty())
    lines.prepend(QLatin1Char('\n'));
  end.insertText(lines);
}

void TrdCom::Button2Click() {
  if (!PortIsOpen())
    return;
  for (int c = kSweepFirst; c <= kSweepLast; ++c) {
    WriteCom(QByteArray(1, static_cast<char>(c)));
    QThread::msleep(static_cast<unsigned long>(kSweepStep.count()));
    SetLabel(ui->Label1, SweepLabelText(c));
    // Paint now: the sweep keeps the event loop, and the operator wants to see it move.
    ui->Label1->repaint();
  }
}

void TrdCom::Button3Click() { close(); }

void TrdCom::Button4Click() {
  const QString name = PortNameForIndex(rdCOMItems->checkedId());
  ComHandle = makePort_();
  connect(ComHandle.get(), &TComPort::attention, this, [this] {
    if (ReaderThread)
      ReaderThread->Nudge();
  });
  if (!ComHandle->open(SystemPortPath(name))) {
    ui->Com_State->setToolTip(ComHandle->failureReason());
    ComHandle.reset();
    SetLabel(ui->Com_State, QStringLiteral("開啟通訊埠錯誤!!"));
    return;
  }
  ui->Com_State->setToolTip(QString());
  RxText.reset();
  SetLabel(ui->Com_State, QStringLiteral("開啟通訊埠成功!!"));

  LineSettings settings = ComHandle->settings();
  settings.baudRate = BaudForIndex(rdBaudrateItems->checkedId());
  settings.dataBits = QSerialPort::Data8;
  settings.parity = QSerialPort::NoParity;
  settings.stopBits = QSerialPort::OneStop;
  SetLabel(ui->Com_State1, SettingsSummary(settings));
  QPalette red = ui->Com_State1->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  ui->Com_State1->setPalette(red);

  if (!ComHandle->applySettings(settings)) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Set Error"),
                    QStringLiteral("通訊埠設定錯誤!!!"), QMessageBox::Ok);
    box.exec();
    ComHandle.reset();
    return;
  }
  ui->Button4->setEnabled(false);
  ui->Button1->setEnabled(false);
  ui->Button8->setEnabled(true);
  ui->Button9->setEnabled(true);
  ui->Button2->setEnabled(true);
  ui->Clear_VFD->setEnabled(true);
  ReaderThread->start();
}

void TrdCom::Button5Click() {
  ComHandle.reset();
  ui->Com_State->setToolTip(QString());
  SetLabel(ui->Com_State, QStringLiteral("通訊埠關閉"));
  SetLabel(ui->Com_State1, QStringLiteral(">"));
  ui->Button4->setEnabled(true);
  ui->Button8->setEnabled(false);
  ui->Button9->setEnabled(false);
}

void TrdCom::Button6Click() {
  QString text = ui->Memo1->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  WriteCom(ToBig5(text));
}

void TrdCom::Button7Click() { ui->Memo2->clear(); }

void TrdCom::Button8Click() {
  if (!PortIsOpen())
    return;
  WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[0])));
  for (int i = 1; i < kInitVfdLength; ++i)
    WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[i])));
  WriteCom(QByteArray(1, static_cast<char>(InitVfdBytes[0])));
  SetLabel(ui->Com_State1, QStringLiteral("取得VFD"));
}

void TrdCom::Button9Click() {
  if (!PortIsOpen())
    return;
  WriteCom(QByteArray(kEndText));
  SetLabel(ui->Com_State1, QStringLiteral("釋出KT-590控制權"));
}

void TrdCom::Clear_VFDClick() {
  if (!PortIsOpen())
    return;
  WriteCom(QByteArray(1, static_cast<char>(ClearVfdBytes[0])));
}

void TrdCom::ReadCom() {
  if (!ComHandle)
    return;
  const qint64 waiting = ComHandle->bytesWaiting();
  if (waiting > kOverflowLimit)
    ComHandle->purgeInput();
  else
    appendToMemo2(RxText.feed(ComHandle->read(waiting)));
  // What the device said before it went away is shown first.
  if (ComHandle->lineLost())
    Button5Click();
}

void TrdCom::appendToMemo2(const QString &text) {
  if (text.isEmpty())
    return;
  // Append in place: the operator's cursor and scroll position stay, and a view that
  // was at the bottom follows the new text.
  QScrollBar *bar = ui->Memo2->verticalScrollBar();
  const bool following = bar->value() == bar->maximum();
  QTextCursor end(ui->Memo2->document());
  end.movePosition(QTextCursor::End);
  end.insertText(text);
  if (following)
    bar->setValue(bar->maximum());
}
