// A lost line waits for its device: pulled and plugged back under the same link, or under
// another name with the same adapter identity, it is reopened at the speed of the last open
// and what it says shows; closing while waiting ends the wait.
#include "Harness.h"
#include "LineMonitor.h"
#include "PtyDevice.h"

#include <QTemporaryDir>
#include <QtTest>

#include <termios.h>

class ReopenTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
  void reopenedAtTheLastSpeed();
  void closeWhileWaitingStopsIt();
  void sameAdapterUnderAnotherName();

private:
  // The adapter goes: its device and its name.
  void pull();
  // An adapter comes at this name.
  void plug(const QString &name);

  QTemporaryDir dir_;
  QString link_;
  std::unique_ptr<PtyDevice> device_;
  std::unique_ptr<TrdCom> form_;
};

void ReopenTest::init() {
  PortBindings::useSettingsFile(dir_.filePath(QStringLiteral("settings.ini")));
  link_ = dir_.filePath(QStringLiteral("ttyUSB0"));
  plug(link_);
  REQUIRE_DEVICE(*device_);
  qputenv("GLOW_PANEL_COM1", link_.toLocal8Bit());
  form_ = std::make_unique<TrdCom>();
}

void ReopenTest::cleanup() {
  form_.reset();
  device_.reset();
  ListSerialPorts = [] { return QList<SerialPortEntry>(); };
}

void ReopenTest::pull() {
  for (const QString &name : {link_, dir_.filePath(QStringLiteral("ttyUSB1"))})
    QFile::remove(name);
  device_->hangUp();
}

void ReopenTest::plug(const QString &name) {
  device_ = std::make_unique<PtyDevice>();
  // A link left by the test before would still name that test's device.
  QFile::remove(name);
  QFile::link(device_->path(), name);
}

void ReopenTest::reopenedAtTheLastSpeed() {
  Choose(form_.get(), "rdBaudrate_1");
  Click(form_.get(), "Button4");
  QVERIFY(PortIsOpen());
  Choose(form_.get(), "rdBaudrate_2");
  pull();
  QTRY_VERIFY(form_->waitingForDevice());
  QVERIFY(LabelText(form_.get(), "Com_State").contains(link_));
  QCOMPARE(ButtonStates(form_.get()), QStringLiteral("DEEDDE"));
  plug(link_);
  QTRY_VERIFY(PortIsOpen());
  QVERIFY(!form_->waitingForDevice());
  QCOMPARE(LabelText(form_.get(), "Com_State"), QStringLiteral("開啟通訊埠成功!!"));
  QCOMPARE(LabelText(form_.get(), "Com_State1"), QStringLiteral("19200,8,N,1"));
  QCOMPARE(ButtonStates(form_.get()), QStringLiteral("DEDEEE"));
  termios t{};
  tcgetattr(device_->masterFd(), &t);
  QCOMPARE(int(cfgetospeed(&t)), int(B19200));
  device_->send("back\r\n");
  QTRY_COMPARE(MemoText(form_.get()), QStringLiteral("back\n"));
  const QString rows = form_->lineMonitor()->text();
  for (const char *step : {"-- line lost", "-- waiting for", "-- reopened"})
    QVERIFY2(rows.contains(QLatin1String(step)), step);
}

void ReopenTest::closeWhileWaitingStopsIt() {
  Click(form_.get(), "Button4");
  pull();
  QTRY_VERIFY(form_->waitingForDevice());
  Click(form_.get(), "Button5");
  QVERIFY(!form_->waitingForDevice());
  QCOMPARE(LabelText(form_.get(), "Com_State"), QStringLiteral("通訊埠關閉"));
  plug(link_);
  QTest::qWait(1500);
  QVERIFY(!PortIsOpen());
}

void ReopenTest::sameAdapterUnderAnotherName() {
  const QString moved = dir_.filePath(QStringLiteral("ttyUSB1"));
  // The system lists the adapter under whichever name it has now.
  ListSerialPorts = [this, moved] {
    QList<SerialPortEntry> ports;
    for (const QString &name : {link_, moved})
      if (QFileInfo::exists(name))
        ports.append({name, "USB UART", "FTDI", "A50285BI", 0x0403, 0x6001});
    return ports;
  };
  Click(form_.get(), "Button4");
  QVERIFY(PortIsOpen());
  pull();
  QTRY_VERIFY(form_->waitingForDevice());
  plug(moved);
  QTRY_VERIFY(PortIsOpen());
  QVERIFY(Control<QLabel>(form_.get(), "Com_State")->toolTip().contains(moved));
  device_->send("moved");
  QTRY_COMPARE(MemoText(form_.get()), QStringLiteral("moved"));
}

QTEST_MAIN(ReopenTest)
#include "tst_reopen.moc"
