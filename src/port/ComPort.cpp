#include "ComPort.h"

#include "Clock.h"

#include <QDeadlineTimer>
#include <QThread>

qint32 BaudForIndex(int itemIndex) {
  return itemIndex >= 0 && itemIndex < int(std::size(kSpeeds)) ? kSpeeds[itemIndex] : kDefaultBaud;
}

QString SettingsSummary(const LineSettings &s) {
  QChar parity = QLatin1Char('N');
  switch (s.parity) {
  case QSerialPort::EvenParity:
    parity = QLatin1Char('E');
    break;
  case QSerialPort::OddParity:
    parity = QLatin1Char('O');
    break;
  case QSerialPort::SpaceParity:
    parity = QLatin1Char('S');
    break;
  case QSerialPort::MarkParity:
    parity = QLatin1Char('M');
    break;
  default:
    break;
  }
  const QString stop = s.stopBits == QSerialPort::TwoStop          ? QStringLiteral("2")
                       : s.stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                   : QStringLiteral("1");
  return QStringLiteral("%1,%2,%3,%4")
      .arg(static_cast<quint32>(s.baudRate))
      .arg(static_cast<int>(s.dataBits))
      .arg(parity)
      .arg(stop);
}

TComPort::TComPort() {
  port_.setReadBufferSize(kQueueLimit);
  connect(&port_, &QSerialPort::readyRead, this, &TComPort::attention);
  connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
      emit attention();
  });
}

TComPort::~TComPort() = default;

QString TComPort::failureReason() const {
  if (path_.isEmpty())
    return tr("No device is named for this port.");
  const QString reason = QStringLiteral("%1: %2").arg(path_, port_.errorString());
  const QString hint = failureHint();
  return hint.isEmpty() ? reason : reason + QLatin1Char('\n') + hint;
}

bool TComPort::isOpen() const { return port_.isOpen(); }

LineSettings TComPort::settings() const {
  return {port_.baudRate(), port_.dataBits(), port_.parity(), port_.stopBits()};
}

bool TComPort::applySettings(const LineSettings &s) {
  // Each setter changes only its own field of the line settings; the flow control put
  // back at open, and everything else, stays as it is.
  bool ok = port_.setBaudRate(s.baudRate);
  ok = port_.setDataBits(s.dataBits) && ok;
  ok = port_.setParity(s.parity) && ok;
  ok = port_.setStopBits(s.stopBits) && ok;
  return ok;
}

TComPort::Written TComPort::write(const QByteArray &bytes) {
  // Stamped before each call that may hand bytes to the driver, and before each look that
  // finds some still in its queue: whatever the thread is kept from afterwards (another
  // process, on a busy machine), the device may already have the bytes and be answering.
  qint64 endNs = SteadyNs();
  if (port_.write(bytes) <= 0)
    return {0, endNs};
  // flush() hands the bytes to the driver at once. Waiting is only needed when the driver
  // cannot take them; that wait gives up early while the receive queue is full, hence
  // the loop, and a line that is gone is not waited for at all.
  const QDeadlineTimer deadline(kWriteTimeout);
  endNs = SteadyNs();
  port_.flush();
  while (port_.bytesToWrite() > 0 && !deadline.hasExpired() && !lineLost()) {
    endNs = SteadyNs();
    if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
      QThread::msleep(1);
    endNs = SteadyNs();
    port_.flush();
  }
  // A write ends when its last byte has left, not when the driver took it: at 9600 baud a
  // hundred bytes wait about 104 ms in its queue, and a reply is timed from that end. The
  // wait sleeps about as long as the queue needs at the line's speed.
  const qint64 bytesPerSecond = qMax<qint64>(port_.baudRate(), 300) / 10;
  for (;;) {
    const qint64 lookedAt = SteadyNs();
    const qint64 queued = driverOutputQueue();
    if (queued <= 0 || deadline.hasExpired() || lineLost())
      break;
    endNs = lookedAt;
    const qint64 us = qBound<qint64>(200, queued * 1000000 / bytesPerSecond, qint64(10000));
    QThread::usleep(static_cast<unsigned long>(qMin<qint64>(us, deadline.remainingTime() * 1000)));
  }
  const qint64 unsent = qMin<qint64>(port_.bytesToWrite() + driverOutputQueue(), bytes.size());
  if (unsent > 0)
    port_.clear(QSerialPort::Output);
  return {bytes.size() - unsent, endNs};
}

qint64 TComPort::bytesWaiting() {
  // Bytes can stay in the driver with QSerialPort not reading them: on Windows (seen under
  // Wine) a reply that arrives while a write is under way is not always announced. A poll
  // that finds the driver holding bytes QSerialPort has not taken lets it read them now.
  if (port_.bytesAvailable() == 0 && driverInputQueue() > 0)
    port_.waitForReadyRead(0);
  return port_.bytesAvailable();
}

QByteArray TComPort::read(qint64 count) {
  QByteArray data = port_.read(count);
  data += resumeReading();
  return data;
}

qint64 TComPort::purgeInput() {
  const qint64 dropped = port_.bytesAvailable() + driverInputQueue();
  port_.clear(QSerialPort::Input);
  resumeReading();
  return dropped;
}

QByteArray TComPort::resumeReading() {
  // QSerialPort stops taking bytes from the device when its queue is full, and after some
  // failed reads; only a read that asks for more than it holds makes it start again.
  // (A peek does not.) Should such a read bring a byte after all, it is kept.
  if (port_.bytesAvailable() > 0)
    return QByteArray();
  char next;
  return port_.read(&next, 1) == 1 ? QByteArray(1, next) : QByteArray();
}
