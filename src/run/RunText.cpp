#include "RunText.h"

#include <QStringList>

namespace {
QString Seconds(qint64 ms) { return QString::number(double(ms) / 1000, 'f', 3); }
} // namespace

QString Printable(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != '\n') || (u >= 0x7F && u < 0xA0))
      out += QStringLiteral("\\x") +
             QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    else
      out += c;
  }
  return out;
}

QString ValuesText(const StepResult &result) {
  QStringList parts;
  for (auto it = result.values.cbegin(); it != result.values.cend(); ++it)
    parts << QStringLiteral("%1 = %2").arg(it.key(), it.value());
  return parts.join(QStringLiteral(", "));
}

QString ResultLine(const SequenceStep &step, const StepResult &result) {
  QString line =
      QStringLiteral("%1 %2: %3")
          .arg(QLatin1String(TextOf(result.state).word), StepName(step), Printable(step.source));
  if (result.state == StepState::Passed || result.state == StepState::Failed) {
    line += QStringLiteral(" (%1 s").arg(Seconds(result.ms));
    if (result.replyMs >= 0)
      line += QStringLiteral(", reply %1 ms").arg(result.replyMs);
    if (!result.values.isEmpty() && result.state == StepState::Passed)
      line += QStringLiteral(", ") + Printable(ValuesText(result));
    line += QLatin1Char(')');
  }
  for (const QString &reason : result.message.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    line += QStringLiteral("\n    ") + Printable(reason);
  return line;
}

QString Summary(const RunRecord &record) {
  QString text;
  if (record.passesRun > 1)
    text +=
        QStringLiteral("%1 of %2 passes failed\n").arg(record.failedPasses).arg(record.passesRun);
  return text +
         QStringLiteral("%1 passed, %2 failed").arg(record.passedSteps).arg(record.failedSteps);
}
