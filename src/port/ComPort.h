// The serial port behind ComHandle. TComPort wraps QSerialPort with the few operations
// the tool needs: exclusive open by name, read-modify-write of the line settings, one
// bounded synchronous write per byte string, and a receive queue that the poller drains.
// Tests derive from it to watch write calls, to make the port refuse its settings, or to
// stand in for a device where no pseudo-terminal is needed.
// Opening (keeping the device's flow control), telling a lost line and the advice on a
// failed open differ by platform: ComPort_unix.cpp, ComPort_win.cpp.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// Speed, data bits, parity and stop bits: the four settings the tool replaces on open.
struct LineSettings {
  qint32 baudRate = 0;
  QSerialPort::DataBits dataBits = QSerialPort::Data8;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// The speeds the window offers, in the order of its items, and a sequence's open may name.
inline constexpr qint32 kSpeeds[] = {9600, 19200, 38400};
// The speed when none is chosen: the last item.
constexpr qint32 kDefaultBaud = kSpeeds[2];
// The speed of the item: 0 -> 9600, 1 -> 19200, anything else (2, or -1 for no selection)
// -> kDefaultBaud.
qint32 BaudForIndex(int itemIndex);
// "9600,8,N,1" style: speed, data bits, parity letter, stop bits.
QString SettingsSummary(const LineSettings &settings);

class TComPort : public QObject {
  Q_OBJECT
public:
  // A poll never takes more than this; a bigger backlog is discarded whole.
  static constexpr qint64 kOverflowLimit = 1024;
  // One byte more than a poll may take tells a backlog to discard; holding more would only
  // cost memory during a flood.
  static constexpr qint64 kQueueLimit = kOverflowLimit + 1;
  // A write the device never takes must not freeze the window for good.
  static constexpr std::chrono::milliseconds kWriteTimeout{1000};

  TComPort();
  ~TComPort() override;

  // Opens the device by the name the operator knows it by ("/dev/ttyUSB0", "COM3").
  virtual bool open(const QString &device);
  // Why the last open failed, in the operating system's words, with a hint where the
  // operator can do something about it.
  virtual QString failureReason() const;
  // The last open failed because there is no such device (yet).
  virtual bool deviceMissing() const { return port_.error() == QSerialPort::DeviceNotFoundError; }
  virtual bool isOpen() const;
  virtual LineSettings settings() const;
  virtual bool applySettings(const LineSettings &settings);
  // How many bytes of a write left, and when the last of them did, on the steady clock.
  struct Written {
    qint64 bytes = 0;
    qint64 endNs = 0;
  };
  // One byte string as one write call. Returns once its last byte has left the driver's
  // queue for the line, or after kWriteTimeout at the most: then the device holds the line
  // back (flow control: XOFF, or CTS low) or is gone, and what has not left is thrown away,
  // so that it does not go out unannounced later. The end is never later than the device
  // could have had the last byte: it is the last moment the write was seen unfinished, not
  // when the call returned.
  virtual Written write(const QByteArray &bytes);

  // What the port has taken from the driver and holds for a read; asks nothing of the
  // driver, so it may be called from inside attention().
  virtual qint64 queued() const { return port_.bytesAvailable(); }
  virtual qint64 bytesWaiting();
  virtual QByteArray read(qint64 count);
  // Throws away all input, what QSerialPort holds and what still waits in the driver;
  // returns how many bytes that was.
  virtual qint64 purgeInput();

  // The device went away (adapter unplugged, far end of a pty closed) or the
  // port was closed under us: the port is of no further use.
  virtual bool lineLost() const;

signals:
  // Bytes came in, or a read or resource error was reported (perhaps the line is lost,
  // perhaps not): a poll should look soon. Emitted from inside QSerialPort.
  void attention();

private:
  QByteArray resumeReading();
  // Bytes the driver holds that QSerialPort has not taken yet.
  qint64 driverInputQueue() const;
  // Bytes the driver still holds for the line.
  qint64 driverOutputQueue() const;
  // What the operator can do about the failed open, where the platform knows; or empty.
  QString failureHint() const;

  QSerialPort port_;
  QString path_;
};

using ComPortFactory = std::function<std::unique_ptr<TComPort>()>;
