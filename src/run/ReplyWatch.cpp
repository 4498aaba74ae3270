#include "ReplyWatch.h"

#include "Clock.h"

namespace {
// The first match that takes at least one character. While more may arrive, a match the
// engine could extend with more text (its partial match, which reaches the end) is none yet:
// waits is then set.
struct Found {
  QRegularExpressionMatch match;
  bool waits = false;
  bool limit = false;
};

Found FirstMatch(const QRegularExpression &pattern, const QString &text, bool moreMayCome) {
  const auto type =
      moreMayCome ? QRegularExpression::PartialPreferFirstMatch : QRegularExpression::NormalMatch;
  for (qsizetype from = 0; from <= text.size();) {
    const QRegularExpressionMatch match = pattern.match(text, from, type);
    if (!match.isValid())
      return {{}, false, true};
    if (match.hasPartialMatch())
      return {{}, true, false};
    if (!match.hasMatch())
      break;
    if (match.capturedLength(0) > 0)
      return {match, false, false};
    // An empty match answers nothing: look on from the next character.
    from = match.capturedStart(0) + 1;
    if (from < text.size() && text[from].isLowSurrogate())
      ++from;
  }
  return {};
}
} // namespace

void ReplyWatch::expect(const SequenceStep &step, const QByteArray &bytes, const QString &pattern,
                        qint64 replyFromNs) {
  match_ = step.kind == SequenceStep::ExpectMatch;
  expected_ = bytes;
  pattern_ = QRegularExpression(match_ ? pattern : QString());
  settleNs_ = step.settleMs * kNsPerMs;
  replyFromNs_ = replyFromNs;
  deadlineNs_ = replyFromNs + step.ms * kNsPerMs;
}

ReplyWatch::Decision ReplyWatch::decide(qint64 nowNs) {
  Decision decision;
  qsizetype end = -1;
  QRegularExpressionMatch match;
  if (match_) {
    // More may come until the limit, unless the line has been quiet for the settle time.
    const qint64 quietAt =
        (pending_.bytes().isEmpty() ? replyFromNs_ : pending_.lastArrivalNs()) + settleNs_;
    const Found found =
        FirstMatch(pattern_, pending_.text(), nowNs < deadlineNs_ && nowNs < quietAt);
    if (found.limit) {
      decision.kind = Decision::Limit;
      return decision;
    }
    if (found.waits)
      decision.wakeNs = qMin(quietAt, deadlineNs_);
    match = found.match;
    if (match.hasMatch())
      end = pending_.bytesOf(match.capturedEnd(0));
  } else if (const qsizetype at = pending_.bytes().indexOf(expected_); at >= 0) {
    end = at + expected_.size();
  }
  if (end < 0)
    return decision;
  const qint64 arrival = pending_.arrivalOf(end);
  decision.replyMs = WholeMs(qMax<qint64>(0, arrival - replyFromNs_));
  if (arrival > deadlineNs_) {
    decision.kind = Decision::Late;
    return decision;
  }
  // The match consumes the bytes up to its end; what follows stays for the next step.
  pending_.consume(end);
  decision.kind = Decision::Passed;
  for (const QString &name : pattern_.namedCaptureGroups())
    if (!name.isEmpty())
      decision.captures.insert(name, match.captured(name));
  return decision;
}
