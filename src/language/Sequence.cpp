#include "Sequence.h"

#include "Big5.h"

#include <QCoreApplication>
#include <QRegularExpression>

const StepKind &KindOf(SequenceStep::Kind kind) {
  for (const StepKind &k : kStepKinds)
    if (k.kind == kind)
      return k;
  return kStepKinds[0];
}

const StepKind &KindOf(Press press) {
  for (const StepKind &k : kStepKinds)
    if (k.press == press)
      return k;
  return KindOf(SequenceStep::Send);
}

QStringList SequenceStep::usedNames() const {
  QStringList names;
  for (qsizetype i = 1; i < pieces.size(); i += 2)
    names << pieces[i];
  return names;
}

QString FillText(const SequenceStep &step, const QHash<QString, QString> &values) {
  if (step.pieces.isEmpty())
    return step.text;
  const bool pattern = step.kind == SequenceStep::ExpectMatch ||
                       (step.kind == SequenceStep::Check && step.test == SequenceStep::Matches);
  QString text;
  for (qsizetype i = 0; i < step.pieces.size(); ++i) {
    if (i % 2 == 0)
      text += step.pieces[i];
    else
      text += pattern ? QRegularExpression::escape(values.value(step.pieces[i]))
                      : values.value(step.pieces[i]);
  }
  return text;
}

QByteArray FillBytes(const SequenceStep &step, const QHash<QString, QString> &values) {
  if (step.pieces.isEmpty())
    return step.bytes;
  QByteArray bytes;
  for (qsizetype i = 0; i < step.pieces.size(); ++i)
    bytes += i % 2 == 0 ? step.pieces[i].toLatin1() : ToBig5(values.value(step.pieces[i]));
  return bytes;
}

QString ValueProblem(const QString &name, const QString &value) {
  if (value.isEmpty())
    return QCoreApplication::translate(
               "Sequence", "%1 is empty: a step would send or expect nothing in its place")
        .arg(name);
  const qsizetype at = FirstWithoutBig5(value);
  if (at < 0)
    return {};
  const qsizetype length = value[at].isHighSurrogate() && at + 1 < value.size() ? 2 : 1;
  return QCoreApplication::translate("Sequence", "%1: '%2' has no Big5 code")
      .arg(name, value.mid(at, length));
}
