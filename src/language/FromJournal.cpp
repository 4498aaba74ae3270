#include "FromJournal.h"

#include "Sequence.h"

#include "Big5.h"

#include <QDateTime>

namespace {
// Whether a reply reads as text: Big5 that reads back alike, with line breaks and tabs but no
// other control character. Such a reply is written as text, which people read and edit.
bool ReadsAsText(const QByteArray &bytes) {
  if (!ReadsBackAsBig5(bytes))
    return false;
  for (const QChar c : Big5Reader().readChunk(bytes))
    if ((c.unicode() < 0x20 && c != QLatin1Char('\r') && c != QLatin1Char('\n') &&
         c != QLatin1Char('\t')) ||
        c.unicode() == 0x7F)
      return false;
  return true;
}
} // namespace

QString SequenceFromRows(const std::deque<LineRow> &rows) {
  QStringList lines{
      QStringLiteral("# recorded %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate))};
  SequenceStep reply;
  reply.kind = SequenceStep::Expect;
  qint64 replyMs = -1;
  auto flush = [&] {
    if (reply.bytes.isEmpty())
      return;
    reply.hex = !ReadsAsText(reply.bytes);
    const qint64 rounded = (3 * qMax<qint64>(replyMs, 0) + 99) / 100 * 100;
    reply.ms = qMax(kShortestRecordedLimitMs, rounded);
    lines << StepText(reply);
    reply.bytes.clear();
  };
  // The sweep is a row a write, and one step.
  bool sweeping = false;
  for (const LineRow &row : rows) {
    if (row.kind == LineRow::Received) {
      reply.bytes += row.bytes;
      replyMs = row.replyMs;
      continue;
    }
    // What came back before the sweep's last write answers nothing after it.
    const bool sweep = row.kind == LineRow::Sent && row.press == Press::AsciiDemo;
    if (sweep && sweeping && !row.bytes.startsWith(char(kSweepFirst))) {
      reply.bytes.clear();
      continue;
    }
    sweeping = sweep;
    flush();
    switch (row.kind) {
    case LineRow::Sent:
      if (!row.press || row.press == Press::Send) {
        SequenceStep send;
        send.kind = SequenceStep::Send;
        send.bytes = row.bytes;
        lines << StepText(send);
      } else {
        lines << QLatin1String(KindOf(*row.press).keyword);
      }
      break;
    case LineRow::Opened:
      lines << row.step;
      break;
    case LineRow::Closed:
      lines << QLatin1String(KindOf(SequenceStep::Close).keyword);
      break;
    default:
      // What a sequence cannot do again (a failed open, a discard, a lost line) stays as a note.
      lines << QStringLiteral("# ") + row.words();
    }
  }
  flush();
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
