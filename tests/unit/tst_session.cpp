// The port session's own rules, against stand-ins for the devices and the system's watch:
// a lost line waits for its device and reopens it, under its name or as the same adapter
// under another, at the settings of the last open; a device that is back but refuses is
// said once; a close or --no-reopen ends the wait.
#include "PortSession.h"
#include "StandIns.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class SessionTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void cleanup();
  void returnsUnderItsName();
  void sameAdapterUnderAnotherNameWhenTold();
  void refusingDeviceIsSaidOnce();
  void closeOrNoReopenEndsTheWait_data();
  void closeOrNoReopenEndsTheWait();

private:
  void openAndLose(qint32 baud = 38400);
  QString rows() const;

  QTemporaryDir dir_;
  StandInDevices devices_;
  QList<SerialPortEntry> ports_;
  TStandInWatch *watch_ = nullptr;
  std::unique_ptr<TLineJournal> journal_;
  std::unique_ptr<TPortSession> session_;
  QStringList rows_;
};

void SessionTest::init() {
  devices_ = {};
  devices_.present = {"/dev/ttyUSB0"};
  ports_ = {{"/dev/ttyUSB0", "USB UART", "FTDI", "A50285BI", 0x0403, 0x6001}};
  SessionOptions options;
  options.devices = {"/dev/ttyUSB0", QString()};
  options.settingsFile = dir_.filePath("settings.ini");
  options.listPorts = [this] { return ports_; };
  options.makePort = [this] { return std::make_unique<StandInPort>(&devices_); };
  options.makeWatch = [this] {
    auto watch = std::make_unique<TStandInWatch>(&devices_);
    watch_ = watch.get();
    return watch;
  };
  journal_ = std::make_unique<TLineJournal>();
  rows_.clear();
  connect(journal_.get(), &TLineJournal::row, this,
          [this](const LineRow &row) { rows_ << row.head(); });
  session_ = std::make_unique<TPortSession>(journal_.get(), options);
}

void SessionTest::cleanup() {
  session_.reset();
  journal_.reset();
}

void SessionTest::openAndLose(qint32 baud) {
  QCOMPARE(session_->open(0, baud).result, OpenOutcome::Opened);
  devices_.lost << "/dev/ttyUSB0";
  devices_.present.remove("/dev/ttyUSB0");
  ports_.clear();
  session_->ReadCom();
  devices_.lost.clear();
}

QString SessionTest::rows() const { return rows_.join('\n'); }

void SessionTest::returnsUnderItsName() {
  QSignalSpy reopened(session_.get(), &TSession::reopened);
  openAndLose(19200);
  QVERIFY(session_->waitingForDevice());
  QVERIFY(!session_->isOpen());
  QVERIFY(watch_->names().contains("/dev/ttyUSB0"));
  emit watch_->look(true);
  QVERIFY(session_->waitingForDevice());
  devices_.present << "/dev/ttyUSB0";
  emit watch_->look(false);
  QVERIFY(session_->isOpen());
  QVERIFY(!session_->waitingForDevice());
  QCOMPARE(reopened.size(), 1);
  QCOMPARE(reopened[0][1].toString(), QStringLiteral("/dev/ttyUSB0"));
  QCOMPARE(session_->ComHandle()->settings().baudRate, 19200);
  QVERIFY2(rows().contains("-- line lost\n-- waiting for /dev/ttyUSB0\n-- reopened /dev/ttyUSB0 "
                           "at 19200,8,N,1 after"),
           qPrintable(rows()));
}

void SessionTest::sameAdapterUnderAnotherNameWhenTold() {
  openAndLose();
  devices_.present << "/dev/ttyUSB1";
  ports_ = {{"/dev/ttyUSB1", "USB UART", "FTDI", "A50285BI", 0x0403, 0x6001}};
  // Listing the ports is left to a notice from the system; the slow look does not.
  emit watch_->look(false);
  QVERIFY(!session_->isOpen());
  QSignalSpy reopened(session_.get(), &TSession::reopened);
  emit watch_->look(true);
  QVERIFY(session_->isOpen());
  QCOMPARE(reopened[0][1].toString(), QStringLiteral("/dev/ttyUSB1"));
  QCOMPARE(reopened[0][2].toString(), QStringLiteral("/dev/ttyUSB0"));
}

void SessionTest::refusingDeviceIsSaidOnce() {
  openAndLose();
  QSignalSpy refused(session_.get(), &TSession::reopenFailed);
  devices_.present << "/dev/ttyUSB0";
  devices_.busy << "/dev/ttyUSB0";
  emit watch_->look(false);
  emit watch_->look(false);
  QCOMPARE(refused.size(), 1);
  QVERIFY(refused[0][0].toString().contains("busy"));
  QCOMPARE(rows().count("-- reopen failed"), 1);
  devices_.busy.clear();
  emit watch_->look(false);
  QVERIFY(session_->isOpen());
}

void SessionTest::closeOrNoReopenEndsTheWait_data() {
  QTest::addColumn<bool>("reopen");
  QTest::newRow("closed while waiting") << true;
  QTest::newRow("no reopen in this run") << false;
}

void SessionTest::closeOrNoReopenEndsTheWait() {
  QFETCH(bool, reopen);
  session_->setReopenForRun(reopen);
  QSignalSpy closed(session_.get(), &TSession::closed);
  openAndLose();
  if (reopen) {
    QVERIFY(session_->waitingForDevice());
    session_->close();
  }
  QVERIFY(!session_->waitingForDevice());
  QCOMPARE(closed.size(), 1);
  devices_.present << "/dev/ttyUSB0";
  emit watch_->look(true);
  QVERIFY(!session_->isOpen());
}

QTEST_GUILESS_MAIN(SessionTest)
#include "tst_session.moc"
