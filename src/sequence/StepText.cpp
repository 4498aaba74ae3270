#include "Sequence.h"

#include "Big5.h"

namespace {
// Text in quotes when the bytes read back as the same Big5 text, else hex bytes.
QString Payload(const SequenceStep &step) {
  if (!step.hex) {
    Big5Decoder decoder;
    const QString text = decoder.decode(step.bytes);
    if (!text.contains(QChar::ReplacementCharacter) && ToBig5(text) == step.bytes) {
      QString out = QStringLiteral("\"");
      for (const QChar c : text) {
        const Escape *escape = nullptr;
        for (const Escape &candidate : kEscapes)
          if (c == QLatin1Char(candidate.character))
            escape = &candidate;
        if (escape)
          out += QStringLiteral("\\") + QLatin1Char(escape->letter);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
          out += QStringLiteral("\\x") +
                 QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
          out += c;
      }
      return out + QLatin1Char('"');
    }
  }
  return QStringLiteral("hex ") + QString::fromLatin1(step.bytes.toHex(' ').toUpper());
}
} // namespace

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
    return QStringLiteral("%1 %2 within %3 ms").arg(keyword, Payload(step)).arg(step.ms);
  case SequenceStep::ExpectNothing:
    return QStringLiteral("%1 nothing for %2 ms").arg(keyword).arg(step.ms);
  case SequenceStep::Wait:
    return QStringLiteral("%1 %2 ms").arg(keyword).arg(step.ms);
  default:
    return keyword;
  }
}
