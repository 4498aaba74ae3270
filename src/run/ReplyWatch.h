// How an expect decides, over the bytes a run has received and not consumed (PendingBytes):
// a literal's bytes anywhere in them; a pattern's first match that takes at least one byte,
// waiting while more bytes could extend it (the engine's partial match) until the line has
// been quiet for the step's settle time; and when the reply came, from the end of the last
// write. It keeps no clock: the runner asks with the time now and acts on the answer.
#pragma once

#include "PendingBytes.h"
#include "Sequence.h"

#include <QMap>
#include <QRegularExpression>

class ReplyWatch {
public:
  struct Decision {
    enum Kind {
      // Nothing yet: look again at wakeNs (a pattern's settle time), or at the deadline.
      Waiting,
      Passed,
      // The reply came, but after the limit.
      Late,
      // The pattern went past the engine's match limit: no verdict either way.
      Limit
    };
    Kind kind = Waiting;
    qint64 replyMs = -1;
    qint64 wakeNs = -1;
    // A pattern's named groups.
    QMap<QString, QString> captures;
  };

  PendingBytes &pending() { return pending_; }
  const PendingBytes &pending() const { return pending_; }
  // An expect of these bytes, or of this pattern (when the step is a match), timed from
  // replyFromNs, within the step's limit.
  void expect(const SequenceStep &step, const QByteArray &bytes, const QString &pattern,
              qint64 replyFromNs);
  qint64 deadlineNs() const { return deadlineNs_; }
  // What has arrived by nowNs decides; a match consumes the bytes up to its end.
  Decision decide(qint64 nowNs);

private:
  PendingBytes pending_;
  bool match_ = false;
  QByteArray expected_;
  QRegularExpression pattern_;
  qint64 settleNs_ = 0;
  qint64 replyFromNs_ = 0;
  qint64 deadlineNs_ = 0;
};
