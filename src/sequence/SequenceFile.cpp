#include "Sequence.h"

#include "LineReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
// Where the first byte that is not UTF-8 stands, or -1.
qsizetype FirstInvalidUtf8(QByteArrayView bytes) {
  qsizetype i = 0;
  while (i < bytes.size()) {
    const uchar b = uchar(bytes[i]);
    int more = 0;
    uint least = 0;
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
      least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      least = 0x10000;
    } else {
      return i;
    }
    if (i + more >= bytes.size())
      return i;
    uint code = b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      const uchar c = uchar(bytes[i + k]);
      if ((c & 0xC0) != 0x80)
        return i;
      code = (code << 6) | (c & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return i;
    i += more + 1;
  }
  return -1;
}

SequenceStep ParseLine(LineReader &in) {
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
  switch (step.kind) {
  case SequenceStep::Open:
    if (in.take(QLatin1String("com1")))
      step.port = 0;
    else if (in.take(QLatin1String("com2")))
      step.port = 1;
    if (!in.atEnd()) {
      const int speedAt = in.column();
      const QString speed = in.word();
      if (speed != QLatin1String("9600") && speed != QLatin1String("19200") &&
          speed != QLatin1String("38400"))
        in.fail(QCoreApplication::translate("Sequence",
                                            "expected COM1 or COM2, then 9600, 19200 or 38400"),
                speedAt);
      step.baud = speed.toInt();
    }
    break;
  case SequenceStep::Send:
    step.bytes = in.bytes(&step.hex);
    break;
  case SequenceStep::Expect:
  case SequenceStep::ExpectNothing:
    if (in.take(QLatin1String("nothing"))) {
      step.kind = SequenceStep::ExpectNothing;
      if (!in.take(QLatin1String("for")))
        in.fail(QCoreApplication::translate("Sequence", "expected 'for' and a time"));
      step.ms = in.time();
    } else {
      step.kind = SequenceStep::Expect;
      step.bytes = in.bytes(&step.hex);
      step.ms = kDefaultWithinMs;
      if (in.take(QLatin1String("within")))
        step.ms = in.time();
    }
    break;
  case SequenceStep::Wait:
    step.ms = in.time();
    break;
  default:
    break;
  }
  in.expectEnd();
  return step;
}

} // namespace

ParsedSequence ParseSequence(const QByteArray &file) {
  ParsedSequence parsed;
  QByteArrayView rest(file);
  if (rest.startsWith("\xEF\xBB\xBF"))
    rest = rest.sliced(3);
  int line = 0;
  try {
    while (!rest.isEmpty()) {
      ++line;
      // A line ends at LF, CR LF or a lone CR.
      qsizetype end = 0;
      while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
        ++end;
      const QByteArrayView bytes = rest.first(end);
      const qsizetype breakLength = rest.sliced(end).startsWith("\r\n") ? 2 : 1;
      rest = rest.sliced(qMin(end + breakLength, rest.size()));
      const qsizetype bad = FirstInvalidUtf8(bytes);
      if (bad >= 0)
        throw SequenceError{line, int(QString::fromUtf8(bytes.first(bad)).size()) + 1,
                            QCoreApplication::translate("Sequence", "not UTF-8 text")};
      const QString text = QString::fromUtf8(bytes);
      if (text.size() > kLongestLine)
        throw SequenceError{
            line, kLongestLine + 1,
            QCoreApplication::translate("Sequence", "line longer than %1 characters")
                .arg(kLongestLine)};
      LineReader in(text, line);
      if (in.atEnd())
        continue;
      SequenceStep step = ParseLine(in);
      step.line = line;
      // The reader stopped at the end of the line or at its comment.
      step.source = text.left(in.position()).trimmed();
      parsed.steps.append(step);
    }
    if (parsed.steps.isEmpty())
      throw SequenceError{qMax(line, 1), 1,
                          QCoreApplication::translate("Sequence", "no steps in the file")};
  } catch (const SequenceError &error) {
    parsed.steps.clear();
    parsed.failed = true;
    parsed.error = error;
  }
  return parsed;
}

ParsedSequence ReadSequenceFile(const QString &path) {
  QFile file(path);
  ParsedSequence parsed;
  parsed.failed = true;
  // A folder, a device or a pipe is no sequence, and reading one may not end.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile())
    parsed.error = {0, 0, QCoreApplication::translate("Sequence", "not a regular file")};
  else if (!file.open(QIODevice::ReadOnly))
    parsed.error = {0, 0, file.errorString()};
  else if (file.size() > kLargestFile)
    parsed.error = {
        0, 0, QCoreApplication::translate("Sequence", "larger than %1 MB").arg(kLargestFile >> 20)};
  else
    return ParseSequence(file.readAll());
  return parsed;
}

QString DescribeError(const QString &fileName, const SequenceError &error) {
  return QStringLiteral("%1:%2:%3: %4")
      .arg(fileName)
      .arg(error.line)
      .arg(error.column)
      .arg(error.message);
}
