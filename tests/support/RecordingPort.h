// A real port that also notes every write call: what a pty cannot show is how the bytes
// were cut into calls, or when each call was made.
#pragma once

#include "PortSession.h"

#include <QElapsedTimer>
#include <QList>

#include <memory>

struct WriteLog {
  WriteLog() { clock.start(); }
  QList<QByteArray> calls;
  QList<qint64> atNs;
  QElapsedTimer clock;

  QList<int> sizes() const {
    QList<int> s;
    for (const QByteArray &c : calls)
      s << int(c.size());
    return s;
  }
};

class RecordingPort : public TComPort {
public:
  explicit RecordingPort(std::shared_ptr<WriteLog> log) : log_(std::move(log)) {}
  Written write(const QByteArray &bytes) override {
    // Stamped before the bookkeeping, whose first allocations would make the stamp late.
    log_->atNs << log_->clock.nsecsElapsed();
    log_->calls << bytes;
    return TComPort::write(bytes);
  }

private:
  std::shared_ptr<WriteLog> log_;
};

// A session whose ports note their writes in log.
inline SessionOptions Recording(const std::shared_ptr<WriteLog> &log) {
  SessionOptions options;
  options.makePort = [log] { return std::make_unique<RecordingPort>(log); };
  return options;
}
