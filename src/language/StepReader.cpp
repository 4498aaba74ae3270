// One step from its line: the kinds and their words, and the variables a step uses and sets.
#include "WordReader.h"

#include "ComPort.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

namespace {
double Number(WordReader &in) {
  in.atEnd();
  const int at = in.column();
  const QString word = in.word();
  bool ok = false;
  const double value = QLocale::c().toDouble(word, &ok);
  if (!ok)
    in.fail(QCoreApplication::translate("Sequence", "not a number: '%1'").arg(word.left(40)), at);
  return value;
}

// A pattern in quotes, compiled once with a stand-in for each variable: an error names the
// column inside the pattern. Its named groups are the variables it sets.
QString Pattern(WordReader &in, SequenceStep &step, QStringList *sets) {
  in.atEnd();
  const int open = in.column();
  if (!in.atQuote())
    in.fail(QCoreApplication::translate("Sequence", "expected a pattern in quotes"));
  QList<int> columns;
  const QString pattern = in.quoted(WordReader::Quoted::Pattern, &step.pieces, &columns);
  QString trial = pattern;
  if (!step.pieces.isEmpty()) {
    trial.clear();
    for (qsizetype i = 0; i < step.pieces.size(); ++i)
      trial += i % 2 ? QStringLiteral("x") : step.pieces[i];
  }
  // A file repeats its patterns: each is compiled once.
  thread_local QHash<QString, QRegularExpression> compiled;
  if (compiled.size() > 4096)
    compiled.clear();
  auto found = compiled.find(trial);
  if (found == compiled.end())
    found = compiled.insert(trial, QRegularExpression(trial));
  const QRegularExpression &re = *found;
  if (!re.isValid()) {
    // The column of the character the engine stopped at, or, past the end, of the quote.
    const qsizetype offset = re.patternErrorOffset();
    columns << (columns.isEmpty() ? open : columns.last()) + 1;
    in.fail(QCoreApplication::translate("Sequence", "pattern: %1").arg(re.errorString()),
            step.pieces.isEmpty() && offset >= 0 && offset < columns.size() ? columns[offset]
                                                                            : open);
  }
  if (trial.isEmpty())
    in.fail(QCoreApplication::translate("Sequence", "empty pattern"), open);
  for (const QString &group : re.namedCaptureGroups())
    if (!group.isEmpty())
      *sets << group;
  return pattern;
}

void ReadCheck(WordReader &in, SequenceStep &step, QStringList *known) {
  in.atEnd();
  const int at = in.column();
  step.variable = in.name();
  if (!known->contains(step.variable))
    in.fail(QCoreApplication::translate("Sequence", "'%1' is set by nothing before this step")
                .arg(step.variable),
            at);
  if (in.take(QLatin1String("between"))) {
    step.test = SequenceStep::Between;
    in.atEnd();
    const int lowAt = in.column();
    step.low = Number(in);
    if (!in.take(QLatin1String("and")))
      in.fail(QCoreApplication::translate("Sequence", "expected 'and' and the upper limit"));
    step.high = Number(in);
    if (step.low > step.high)
      in.fail(QCoreApplication::translate("Sequence",
                                          "limits the wrong way round: the lower one first"),
              lowAt);
  } else if (in.take(QLatin1String("is"))) {
    step.test = SequenceStep::Is;
    in.atEnd();
    if (!in.atQuote())
      in.fail(QCoreApplication::translate("Sequence", "expected the value in quotes"));
    step.text = in.quoted(WordReader::Quoted::Text, &step.pieces);
  } else if (in.take(QLatin1String("matches"))) {
    step.test = SequenceStep::Matches;
    QStringList ignored;
    step.text = Pattern(in, step, &ignored);
  } else {
    in.fail(QCoreApplication::translate("Sequence", "expected between, is or matches"));
  }
}
} // namespace

SequenceStep ReadStep(WordReader &in, QStringList *known) {
  SequenceStep step;
  const int at = in.column();
  const QString keyword = in.word().toLower();
  const StepKind *kind = nullptr;
  for (const StepKind &k : kStepKinds)
    if (keyword == QLatin1String(k.keyword)) {
      kind = &k;
      break;
    }
  if (!kind)
    in.fail(QCoreApplication::translate("Sequence", "unknown step '%1'").arg(keyword.left(40)), at);
  step.kind = kind->kind;
  QStringList sets;
  switch (step.kind) {
  case SequenceStep::Open:
    if (in.take(QLatin1String("com1")))
      step.port = 0;
    else if (in.take(QLatin1String("com2")))
      step.port = 1;
    if (!in.atEnd()) {
      const int speedAt = in.column();
      const QString speed = in.word();
      for (const qint32 offered : kSpeeds)
        if (speed == QString::number(offered))
          step.baud = offered;
      if (step.baud == 0)
        in.fail(QCoreApplication::translate("Sequence",
                                            "expected COM1 or COM2, then 9600, 19200 or 38400"),
                speedAt);
    }
    break;
  case SequenceStep::Send:
    step.bytes = in.bytes(&step.hex, &step.pieces);
    break;
  case SequenceStep::Expect:
  case SequenceStep::ExpectNothing:
  case SequenceStep::ExpectMatch:
    if (in.take(QLatin1String("nothing"))) {
      step.kind = SequenceStep::ExpectNothing;
      if (!in.take(QLatin1String("for")))
        in.fail(QCoreApplication::translate("Sequence", "expected 'for' and a time"));
      step.ms = in.time();
      break;
    }
    if (in.take(QLatin1String("match"))) {
      step.kind = SequenceStep::ExpectMatch;
      step.text = Pattern(in, step, &sets);
    } else {
      step.kind = SequenceStep::Expect;
      step.bytes = in.bytes(&step.hex, &step.pieces);
    }
    step.ms = kDefaultWithinMs;
    if (in.take(QLatin1String("within")))
      step.ms = in.time();
    if (step.kind == SequenceStep::ExpectMatch) {
      step.settleMs = kDefaultSettleMs;
      if (in.take(QLatin1String("settle")))
        step.settleMs = in.time();
    }
    break;
  case SequenceStep::Wait:
    step.ms = in.time();
    break;
  case SequenceStep::Check:
    ReadCheck(in, step, known);
    break;
  case SequenceStep::Ask:
    in.atEnd();
    step.variable = in.name();
    in.atEnd();
    if (!in.atQuote())
      in.fail(QCoreApplication::translate("Sequence", "expected the question in quotes"));
    step.text = in.quoted(WordReader::Quoted::Text, &step.pieces);
    sets << step.variable;
    break;
  default:
    break;
  }
  in.expectEnd();
  // Every variable a string uses is set before it is used.
  const QStringList names = step.usedNames();
  for (qsizetype i = 0; i < names.size(); ++i)
    if (!known->contains(names[i]))
      in.fail(QCoreApplication::translate("Sequence", "'%1' is set by nothing before this step")
                  .arg(names[i]),
              in.nameColumns().value(int(i + in.nameColumns().size() - names.size())));
  for (const QString &name : sets)
    if (!known->contains(name))
      *known << name;
  return step;
}
