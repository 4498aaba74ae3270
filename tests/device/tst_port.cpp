// Opening and closing the port: labels, buttons, and the settings left on the line.
#include "Harness.h"
#include "PtyDevice.h"

#include <QMessageBox>
#include <QSerialPort>
#include <QtTest>

#include <termios.h>

#include <memory>

namespace {
// A port that opens for real but refuses its line settings, as some drivers do.
class RefusingPort : public TComPort {
public:
  bool applySettings(const LineSettings &) override { return false; }
};

// Answers the next message box and remembers what it said.
struct BoxAnswer {
  QString title, text;
  bool hadIcon = true;
};
void AnswerNextBox(BoxAnswer *answer) {
  AnswerModal<QMessageBox>([answer](QMessageBox *box) {
    answer->title = box->windowTitle();
    answer->text = box->text();
    answer->hadIcon = box->icon() != QMessageBox::NoIcon;
    box->accept();
  });
}

const QColor kRed(Qt::red);

// The line settings the tool left on the device's line.
termios SettingsOf(const PtyDevice &device) {
  termios t{};
  tcgetattr(device.masterFd(), &t);
  return t;
}
} // namespace

class PortTest : public QObject {
  Q_OBJECT
private slots:
  void openAppliesChosenSettings_data();
  void openAppliesChosenSettings();
  void openThatFailsChangesOnlyStatus_data();
  void openThatFailsChangesOnlyStatus();
  void refusedSettingsAreReportedAndPortClosed();
  void closeBeforeAnyOpenResetsLabels();
  void buttonsFollowOpenCloseOpen();
  void unavailableAfterFirstOpen();
  void choicesAreReadOnlyAtOpen();
  void openKeepsTheDevicesFlowControl();
};

void PortTest::openAppliesChosenSettings_data() {
  QTest::addColumn<QString>("comItem");
  QTest::addColumn<QString>("baudItem");
  QTest::addColumn<int>("speed");
  QTest::addColumn<QString>("summary");
  QTest::newRow("COM 2 at 9600") << "rdCOM_1"
                                 << "rdBaudrate_0" << int(B9600) << "9600,8,N,1";
  QTest::newRow("COM 1 at 19200") << "rdCOM_0"
                                  << "rdBaudrate_1" << int(B19200) << "19200,8,N,1";
  QTest::newRow("COM 2 at 38400") << "rdCOM_1"
                                  << "rdBaudrate_2" << int(B38400) << "38400,8,N,1";
}

void PortTest::openAppliesChosenSettings() {
  QFETCH(QString, comItem);
  QFETCH(QString, baudItem);
  QFETCH(int, speed);
  QFETCH(QString, summary);
  PtyDevice device;
  QVERIFY(device.isValid());
  device.mapAs(comItem == "rdCOM_0" ? "COM1" : "COM2");
  TrdCom form;
  Choose(&form, comItem.toLatin1());
  Choose(&form, baudItem.toLatin1());
  Click(&form, "Button4");

  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  QCOMPARE(LabelText(&form, "Com_State1"), summary);
  QCOMPARE(Control<QLabel>(&form, "Com_State1")->palette().color(QPalette::WindowText), kRed);
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEDEEE"));
  QVERIFY(PortIsOpen());

  const termios t = SettingsOf(device);
  QCOMPARE(int(cfgetospeed(&t)), speed);
  QCOMPARE(int(cfgetispeed(&t)), speed);
  QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
  QVERIFY(!(t.c_cflag & PARENB));
  QVERIFY(!(t.c_cflag & CSTOPB));
  QVERIFY(!(t.c_cflag & CRTSCTS));
  // Raw: bytes pass untouched both ways.
  QVERIFY(!(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)));
  QVERIFY(!(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)));
  QVERIFY(!(t.c_oflag & OPOST));
}

void PortTest::openThatFailsChangesOnlyStatus_data() {
  QTest::addColumn<QString>("why");
  QTest::addColumn<QString>("reason");
  QTest::newRow("no such device") << "missing"
                                  << "No such file or directory";
  QTest::newRow("not a serial device") << "null"
                                       << "/dev/null: ";
  QTest::newRow("held by another program") << "busy"
                                           << "lock";
}

void PortTest::openThatFailsChangesOnlyStatus() {
  QFETCH(QString, why);
  QFETCH(QString, reason);
  PtyDevice device;
  QSerialPort holder;
  if (why == "missing") {
    qputenv("GLOW_PANEL_COM1", "/dev/glow-panel-no-such-port");
  } else if (why == "null") {
    qputenv("GLOW_PANEL_COM1", "/dev/null");
  } else {
    device.mapAs("COM1");
    holder.setPortName(device.path());
    QVERIFY(holder.open(QIODevice::ReadWrite));
  }
  TrdCom form;
  Click(&form, "Button4");
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠錯誤!!"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral(">"));
  QCOMPARE(ButtonStates(&form), QStringLiteral("EDEDDD"));
  QVERIFY(!PortIsOpen());
  // The operating system's reason is one hover away.
  const QString tip = Control<QLabel>(&form, "Com_State")->toolTip();
  QVERIFY2(tip.contains(reason, Qt::CaseInsensitive), qPrintable(tip));
  if (holder.isOpen()) {
    // The program that had the port keeps it working.
    device.send("still mine");
    QTRY_COMPARE(holder.bytesAvailable(), qint64(10));
  }
}

void PortTest::refusedSettingsAreReportedAndPortClosed() {
  PtyDevice device;
  device.mapAs("COM2");
  SessionOptions refusing;
  refusing.makePort = [] { return std::make_unique<RefusingPort>(); };
  TrdCom form(refusing);
  Choose(&form, "rdCOM_1");
  Choose(&form, "rdBaudrate_0");
  BoxAnswer answer;
  AnswerNextBox(&answer);
  Click(&form, "Button4");

  QCOMPARE(answer.title, QStringLiteral("Set Error"));
  QCOMPARE(answer.text, QStringLiteral("通訊埠設定錯誤!!!"));
  QVERIFY(!answer.hadIcon);
  QVERIFY(!PortIsOpen());
  QTRY_VERIFY(device.slaveClosed());
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral("9600,8,N,1"));
  QCOMPARE(ButtonStates(&form), QStringLiteral("EDEDDD"));
}

void PortTest::closeBeforeAnyOpenResetsLabels() {
  TrdCom form;
  Click(&form, "Button5");
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("通訊埠關閉"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral(">"));
  QCOMPARE(ButtonStates(&form), QStringLiteral("EDEDDD"));
}

void PortTest::buttonsFollowOpenCloseOpen() {
  PtyDevice device;
  device.mapAs("COM1");
  TrdCom form;
  Click(&form, "Button4");
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEDEEE"));

  Click(&form, "Button5");
  QVERIFY(!PortIsOpen());
  QTRY_VERIFY(device.slaveClosed());
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("通訊埠關閉"));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral(">"));
  // Code Build stays off for good; ASCII Demo and Clear VFD stay on.
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEEDDE"));
  QCOMPARE(Control<QLabel>(&form, "Com_State1")->palette().color(QPalette::WindowText), kRed);

  Click(&form, "Button4");
  QCOMPARE(LabelText(&form, "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  QCOMPARE(Control<QLabel>(&form, "Com_State")->toolTip(), QString());
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral("38400,8,N,1"));
  QCOMPARE(ButtonStates(&form), QStringLiteral("DEDEEE"));
  QVERIFY(PortIsOpen());
}

void PortTest::choicesAreReadOnlyAtOpen() {
  PtyDevice first, second;
  first.mapAs("COM2");
  second.mapAs("COM1");
  TrdCom form;
  Choose(&form, "rdCOM_1");
  Choose(&form, "rdBaudrate_0");
  Click(&form, "Button4");
  Choose(&form, "rdCOM_0");
  Choose(&form, "rdBaudrate_1");
  QTest::qWait(50);
  const termios held = SettingsOf(first);
  QCOMPARE(int(cfgetospeed(&held)), int(B9600));
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral("9600,8,N,1"));

  Click(&form, "Button5");
  Click(&form, "Button4");
  QCOMPARE(LabelText(&form, "Com_State1"), QStringLiteral("19200,8,N,1"));
  const termios t = SettingsOf(second);
  QCOMPARE(int(cfgetospeed(&t)), int(B19200));
  QTRY_VERIFY(first.slaveClosed());
}

void PortTest::openKeepsTheDevicesFlowControl() {
  PtyDevice device;
  device.mapAs("COM1");
  termios wired = SettingsOf(device);
  wired.c_cflag |= CRTSCTS;
  wired.c_iflag |= IXON;
  QCOMPARE(tcsetattr(device.masterFd(), TCSANOW, &wired), 0);
  TrdCom form;
  Click(&form, "Button4");
  QVERIFY(PortIsOpen());
  const termios t = SettingsOf(device);
  QVERIFY(t.c_cflag & CRTSCTS);
  QVERIFY(t.c_iflag & IXON);
  QCOMPARE(int(cfgetospeed(&t)), int(B38400));
  // Still raw otherwise.
  QVERIFY(!(t.c_lflag & (ECHO | ICANON | ISIG)));
  QVERIFY(!(t.c_iflag & (ICRNL | INLCR | IGNCR)));
}

void PortTest::unavailableAfterFirstOpen() {
  PtyDevice device;
  REQUIRE_DEVICE(device);
  device.mapAs("COM1");
  TrdCom form;
  QVERIFY(Button(&form, "Button1")->isEnabled());
  Click(&form, "Button4");
  QVERIFY(!Button(&form, "Button1")->isEnabled());
  Click(&form, "Button5");
  QVERIFY(!Button(&form, "Button1")->isEnabled());
}

QTEST_MAIN(PortTest)
#include "tst_port.moc"
