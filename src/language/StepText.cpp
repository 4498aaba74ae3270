#include "Sequence.h"

#include "Big5.h"

#include <QLocale>

namespace {
// Text as it is written between quotes: the escapes, control characters as \xNN, and a
// dollar sign before a brace as \$.
QString Escaped(const QString &text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const Escape *escape = nullptr;
    for (const Escape &candidate : kEscapes)
      if (c == QLatin1Char(candidate.character))
        escape = &candidate;
    if (escape)
      out += QStringLiteral("\\") + QLatin1Char(escape->letter);
    else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      out += QStringLiteral("\\x") +
             QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    else if (c == QLatin1Char('$') && text.mid(i + 1, 1) == QLatin1String("{"))
      out += QStringLiteral("\\$");
    else
      out += c;
  }
  return out;
}

// Bytes between quotes: as Big5 text where they read back alike, else byte by byte.
QString EscapedBytes(const QByteArray &bytes) {
  if (ReadsBackAsBig5(bytes))
    return Escaped(Big5Reader().readChunk(bytes));
  QString out;
  for (const char b : bytes)
    out += uchar(b) < 0x80 ? Escaped(QString(QLatin1Char(b)))
                           : QStringLiteral("\\x") + QString::number(uchar(b), 16).toUpper();
  return out;
}

// A pattern between quotes: as written, but a quote as \" and "${" as \${.
QString EscapedPattern(const QString &pattern) {
  QString out;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == QLatin1Char('\\') && pattern.mid(i + 1, 1) == QLatin1String("\\")) {
      out += QStringLiteral("\\\\");
      ++i;
    } else if (c == QLatin1Char('"')) {
      out += QStringLiteral("\\\"");
    } else if (c == QLatin1Char('$') && pattern.mid(i + 1, 1) == QLatin1String("{")) {
      out += QStringLiteral("\\$");
    } else {
      out += c;
    }
  }
  return out;
}

// A string in quotes, its variables as ${name}.
QString Quoted(const SequenceStep &step, bool pattern) {
  const bool bytes =
      !pattern && (step.kind == SequenceStep::Send || step.kind == SequenceStep::Expect);
  const QStringList pieces = step.pieces.isEmpty()
                                 ? QStringList{bytes ? QString::fromLatin1(step.bytes) : step.text}
                                 : step.pieces;
  QString out = QStringLiteral("\"");
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i % 2)
      out += QStringLiteral("${%1}").arg(pieces[i]);
    else if (pattern)
      out += EscapedPattern(pieces[i]);
    else
      out += bytes ? EscapedBytes(pieces[i].toLatin1()) : Escaped(pieces[i]);
  }
  return out + QLatin1Char('"');
}

// Text in quotes when the bytes read back as the same Big5 text, else hex bytes.
QString Payload(const SequenceStep &step) {
  if (!step.pieces.isEmpty() || (!step.hex && ReadsBackAsBig5(step.bytes)))
    return Quoted(step, false);
  return QStringLiteral("hex ") + QString::fromLatin1(step.bytes.toHex(' ').toUpper());
}

} // namespace

QString NumberText(double value) {
  return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
}

QString StepText(const SequenceStep &step) {
  const QString keyword = QLatin1String(KindOf(step.kind).keyword);
  switch (step.kind) {
  case SequenceStep::Open: {
    QString text = keyword;
    if (step.port >= 0)
      text += QStringLiteral(" COM%1").arg(step.port + 1);
    if (step.baud > 0)
      text += QStringLiteral(" %1").arg(step.baud);
    return text;
  }
  case SequenceStep::Send:
    return keyword + QLatin1Char(' ') + Payload(step);
  case SequenceStep::Expect:
    return QStringLiteral("%1 %2 within %3 ms")
        .arg(keyword, Payload(step), QString::number(step.ms));
  case SequenceStep::ExpectMatch:
    return QStringLiteral("%1 match %2 within %3 ms")
               .arg(keyword, Quoted(step, true), QString::number(step.ms)) +
           (step.settleMs == kDefaultSettleMs ? QString()
                                              : QStringLiteral(" settle %1 ms").arg(step.settleMs));
  case SequenceStep::ExpectNothing:
    return QStringLiteral("%1 nothing for %2 ms").arg(keyword).arg(step.ms);
  case SequenceStep::Wait:
    return QStringLiteral("%1 %2 ms").arg(keyword).arg(step.ms);
  case SequenceStep::Check:
    switch (step.test) {
    case SequenceStep::Between:
      return QStringLiteral("%1 %2 between %3 and %4")
          .arg(keyword, step.variable, NumberText(step.low), NumberText(step.high));
    case SequenceStep::Is:
      return QStringLiteral("%1 %2 is %3").arg(keyword, step.variable, Quoted(step, false));
    case SequenceStep::Matches:
      return QStringLiteral("%1 %2 matches %3").arg(keyword, step.variable, Quoted(step, true));
    }
    return {};
  case SequenceStep::Ask:
    return QStringLiteral("%1 %2 %3").arg(keyword, step.variable, Quoted(step, false));
  default:
    return keyword;
  }
}
