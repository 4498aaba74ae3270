#include "Sequence.h"

#include "Big5.h"

#include <QCoreApplication>
#include <QFile>

#include <cctype>

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

bool IsHex(QStringView digits) {
  for (const QChar c : digits)
    if (!(c.unicode() < 128 && std::isxdigit(c.unicode())))
      return false;
  return !digits.isEmpty();
}

// One line's words, read left to right; every failure names its column.
class LineReader {
public:
  LineReader(const QString &text, int line) : text_(text), line_(line) {}

  // Spaces skipped; true at the end of the line or at a comment.
  bool atEnd() {
    while (pos_ < text_.size() && text_[pos_].isSpace())
      ++pos_;
    return pos_ >= text_.size() || text_[pos_] == QLatin1Char('#');
  }
  bool atQuote() { return !atEnd() && text_[pos_] == QLatin1Char('"'); }
  int column() const { return int(pos_) + 1; }
  qsizetype position() const { return pos_; }
  // The next word, up to a space, a quote or a comment.
  QString word() {
    if (atEnd())
      return {};
    const qsizetype start = pos_;
    while (pos_ < text_.size() && !text_[pos_].isSpace() && text_[pos_] != QLatin1Char('#') &&
           text_[pos_] != QLatin1Char('"'))
      ++pos_;
    return text_.mid(start, pos_ - start);
  }
  // The next word if it is this keyword (case-insensitive); otherwise nothing is taken.
  bool take(QLatin1String keyword) {
    const qsizetype start = pos_;
    if (word().compare(keyword, Qt::CaseInsensitive) == 0)
      return true;
    pos_ = start;
    return false;
  }
  [[noreturn]] void fail(const QString &message, int column = 0) {
    throw SequenceError{line_, column > 0 ? column : this->column(), message};
  }
  void expectEnd() {
    if (atEnd())
      return;
    const int at = column();
    fail(QCoreApplication::translate("Sequence", "unexpected '%1'").arg(word().left(40)), at);
  }

  // A time: whole milliseconds, written "250 ms" or "2 s".
  qint64 time() {
    atEnd();
    const int at = column();
    const QString number = word();
    qsizetype digits = 0;
    while (digits < number.size() && number[digits].isDigit() && number[digits].unicode() < 128)
      ++digits;
    if (digits == 0)
      fail(QCoreApplication::translate("Sequence", "expected a time in ms, such as 500 ms"), at);
    QString unit = number.mid(digits);
    if (unit.isEmpty())
      unit = word();
    qint64 scale = 0;
    if (unit.compare(QLatin1String("ms"), Qt::CaseInsensitive) == 0)
      scale = 1;
    else if (unit.compare(QLatin1String("s"), Qt::CaseInsensitive) == 0)
      scale = 1000;
    else
      fail(QCoreApplication::translate("Sequence", "expected ms or s after the number"),
           at + int(digits));
    bool ok = false;
    const qint64 value = number.left(digits).toLongLong(&ok);
    if (!ok || value > kLongestStepMs / scale)
      fail(QCoreApplication::translate("Sequence", "a time of at most %1 ms").arg(kLongestStepMs),
           at);
    return value * scale;
  }

  // Bytes written as text in quotes or as "hex" and hex bytes.
  QByteArray bytes(bool *hex) {
    if (atQuote()) {
      *hex = false;
      return quoted();
    }
    if (!take(QLatin1String("hex")))
      fail(QCoreApplication::translate("Sequence", "expected text in quotes or hex bytes"));
    *hex = true;
    QByteArray out;
    while (!atEnd() && !atQuote()) {
      const int at = column();
      const QString token = word();
      if (token.size() > 2 || !IsHex(token))
        fail(QCoreApplication::translate("Sequence", "not a hex byte: '%1'").arg(token.left(40)),
             at);
      out += char(token.toUInt(nullptr, 16));
      if (peekKeyword())
        break;
    }
    if (out.isEmpty())
      fail(QCoreApplication::translate("Sequence", "expected a hex byte"));
    return out;
  }

private:
  // A keyword that ends a hex list ("within").
  bool peekKeyword() {
    const qsizetype start = pos_;
    const bool within = take(QLatin1String("within"));
    pos_ = start;
    return within;
  }

  QByteArray quoted() {
    const int open = column();
    ++pos_;
    QByteArray out;
    QString pending;
    auto flush = [&] {
      out += ToBig5(pending);
      pending.clear();
    };
    while (pos_ < text_.size()) {
      const QChar c = text_[pos_];
      if (c == QLatin1Char('"')) {
        ++pos_;
        flush();
        return out;
      }
      if (c != QLatin1Char('\\')) {
        pending += c;
        ++pos_;
        continue;
      }
      const int at = column();
      const QChar e = pos_ + 1 < text_.size() ? text_[pos_ + 1] : QChar();
      pos_ += 2;
      switch (e.unicode()) {
      case 'r':
        pending += QLatin1Char('\r');
        break;
      case 'n':
        pending += QLatin1Char('\n');
        break;
      case 't':
        pending += QLatin1Char('\t');
        break;
      case '\\':
        pending += QLatin1Char('\\');
        break;
      case '"':
        pending += QLatin1Char('"');
        break;
      case 'x': {
        const QString digits = text_.mid(pos_, 2);
        if (digits.size() != 2 || !IsHex(digits))
          fail(QCoreApplication::translate("Sequence", "bad escape: \\x needs two hex digits"), at);
        pos_ += 2;
        flush();
        out += char(digits.toUInt(nullptr, 16));
        break;
      }
      default:
        fail(QCoreApplication::translate("Sequence",
                                         "bad escape '\\%1': use \\r \\n \\t \\\\ \\\" or \\xNN")
                 .arg(e),
             at);
      }
    }
    fail(QCoreApplication::translate("Sequence", "text not closed by a quote"), open);
  }

  const QString &text_;
  int line_;
  qsizetype pos_ = 0;
};

SequenceStep ParseLine(LineReader &in) {
  SequenceStep step;
  const int at = in.column();
  const QString keyword = in.word().toLower();
  if (keyword == QLatin1String("open")) {
    step.kind = SequenceStep::Open;
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
  } else if (keyword == QLatin1String("close")) {
    step.kind = SequenceStep::Close;
  } else if (keyword == QLatin1String("initial-vfd")) {
    step.kind = SequenceStep::InitialVfd;
  } else if (keyword == QLatin1String("clear-vfd")) {
    step.kind = SequenceStep::ClearVfd;
  } else if (keyword == QLatin1String("eend")) {
    step.kind = SequenceStep::Eend;
  } else if (keyword == QLatin1String("ascii-demo")) {
    step.kind = SequenceStep::AsciiDemo;
  } else if (keyword == QLatin1String("send")) {
    step.kind = SequenceStep::Send;
    step.bytes = in.bytes(&step.hex);
  } else if (keyword == QLatin1String("expect")) {
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
  } else if (keyword == QLatin1String("wait")) {
    step.kind = SequenceStep::Wait;
    step.ms = in.time();
  } else {
    in.fail(QCoreApplication::translate("Sequence", "unknown step '%1'").arg(keyword.left(40)), at);
  }
  in.expectEnd();
  return step;
}

QString Payload(const SequenceStep &step) {
  if (!step.hex) {
    Big5Decoder decoder;
    const QString text = decoder.decode(step.bytes);
    if (!text.contains(QChar::ReplacementCharacter) && ToBig5(text) == step.bytes) {
      QString out = QStringLiteral("\"");
      for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
          out += QLatin1String("\\\\");
          break;
        case '"':
          out += QLatin1String("\\\"");
          break;
        case '\r':
          out += QLatin1String("\\r");
          break;
        case '\n':
          out += QLatin1String("\\n");
          break;
        case '\t':
          out += QLatin1String("\\t");
          break;
        default:
          if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x") +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
          else
            out += c;
        }
      }
      return out + QLatin1Char('"');
    }
  }
  return QStringLiteral("hex ") + QString::fromLatin1(step.bytes.toHex(' ').toUpper());
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
      qsizetype end = rest.indexOf('\n');
      if (end < 0)
        end = rest.size();
      QByteArrayView bytes = rest.first(end);
      rest = rest.sliced(qMin(end + 1, rest.size()));
      if (bytes.endsWith('\r'))
        bytes.chop(1);
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
  if (!file.open(QIODevice::ReadOnly))
    parsed.error = {0, 0, file.errorString()};
  else if (file.size() > kLargestFile)
    parsed.error = {
        0, 0, QCoreApplication::translate("Sequence", "larger than %1 MB").arg(kLargestFile >> 20)};
  else
    return ParseSequence(file.readAll());
  return parsed;
}

QString StepText(const SequenceStep &step) {
  switch (step.kind) {
  case SequenceStep::Open: {
    QString text = QStringLiteral("open");
    if (step.port >= 0)
      text += QStringLiteral(" COM%1").arg(step.port + 1);
    if (step.baud > 0)
      text += QStringLiteral(" %1").arg(step.baud);
    return text;
  }
  case SequenceStep::Close:
    return QStringLiteral("close");
  case SequenceStep::InitialVfd:
    return QStringLiteral("initial-vfd");
  case SequenceStep::ClearVfd:
    return QStringLiteral("clear-vfd");
  case SequenceStep::Eend:
    return QStringLiteral("eend");
  case SequenceStep::AsciiDemo:
    return QStringLiteral("ascii-demo");
  case SequenceStep::Send:
    return QStringLiteral("send ") + Payload(step);
  case SequenceStep::Expect:
    return QStringLiteral("expect %1 within %2 ms").arg(Payload(step)).arg(step.ms);
  case SequenceStep::ExpectNothing:
    return QStringLiteral("expect nothing for %1 ms").arg(step.ms);
  case SequenceStep::Wait:
    return QStringLiteral("wait %1 ms").arg(step.ms);
  }
  return {};
}

QString DescribeError(const QString &fileName, const SequenceError &error) {
  return QStringLiteral("%1:%2:%3: %4")
      .arg(fileName)
      .arg(error.line)
      .arg(error.column)
      .arg(error.message);
}
