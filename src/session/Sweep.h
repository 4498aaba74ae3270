// The character sweep on a session: the bytes kSweepFirst to kSweepLast, one a write, each
// kSweepStep after the end of the write before, so that no two are closer on the line
// whatever a write takes. A write that fails (the line lost, or held back) ends it. The
// window waits out each step where it stands; a run waits on its clock.
#pragma once

#include "Session.h"

class TSweep {
public:
  explicit TSweep(TSession *session);
  ~TSweep();
  TSweep(const TSweep &) = delete;
  TSweep &operator=(const TSweep &) = delete;

  // Begins the press; false, and nothing written, when no port is open.
  bool startSweep();
  // Writes the next byte. False when it did not go out: the sweep has ended.
  bool writeNextByte();
  // Every byte has gone out.
  bool done() const { return next_ > kSweepLast; }
  // When the next write is due, on the session's clock.
  qint64 nextNs() const { return lastEndNs_ + std::chrono::nanoseconds(kSweepStep).count(); }
  // Ends the press, where it stands.
  void endSweep();

private:
  TSession *session_;
  QMetaObject::Connection wrote_;
  int next_ = kSweepFirst;
  qint64 lastEndNs_ = 0;
  bool pressing_ = false;
};
