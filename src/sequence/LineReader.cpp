#include "LineReader.h"

#include "Big5.h"

#include <QCoreApplication>

#include <cctype>

namespace {
bool IsHex(QStringView digits) {
  for (const QChar c : digits)
    if (!(c.unicode() < 128 && std::isxdigit(c.unicode())))
      return false;
  return !digits.isEmpty();
}
} // namespace

bool LineReader::atEnd() {
  while (pos_ < text_.size() && text_[pos_].isSpace())
    ++pos_;
  return pos_ >= text_.size() || text_[pos_] == QLatin1Char('#');
}

QString LineReader::word() {
  if (atEnd())
    return {};
  const qsizetype start = pos_;
  while (pos_ < text_.size() && !text_[pos_].isSpace() && text_[pos_] != QLatin1Char('#') &&
         text_[pos_] != QLatin1Char('"'))
    ++pos_;
  return text_.mid(start, pos_ - start);
}

bool LineReader::take(QLatin1String keyword) {
  const qsizetype start = pos_;
  if (word().compare(keyword, Qt::CaseInsensitive) == 0)
    return true;
  pos_ = start;
  return false;
}

void LineReader::fail(const QString &message, int column) {
  throw SequenceError{line_, column > 0 ? column : this->column(), message};
}

void LineReader::expectEnd() {
  if (atEnd())
    return;
  const int at = column();
  fail(QCoreApplication::translate("Sequence", "unexpected '%1'").arg(word().left(40)), at);
}

qint64 LineReader::time() {
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

QByteArray LineReader::bytes(bool *hex) {
  if (atQuote()) {
    *hex = false;
    const int at = column();
    const QByteArray text = quoted();
    if (text.isEmpty())
      fail(QCoreApplication::translate("Sequence", "empty text: a step needs at least one byte"),
           at);
    return text;
  }
  if (!take(QLatin1String("hex")))
    fail(QCoreApplication::translate("Sequence", "expected text in quotes or hex bytes"));
  *hex = true;
  QByteArray out;
  while (!atEnd() && !atQuote()) {
    const int at = column();
    const QString token = word();
    if (token.size() > 2 || !IsHex(token))
      fail(QCoreApplication::translate("Sequence", "not a hex byte: '%1'").arg(token.left(40)), at);
    out += char(token.toUInt(nullptr, 16));
    if (peekKeyword())
      break;
  }
  if (out.isEmpty())
    fail(QCoreApplication::translate("Sequence", "expected a hex byte"));
  return out;
}

bool LineReader::peekKeyword() {
  const qsizetype start = pos_;
  const bool within = take(QLatin1String("within"));
  pos_ = start;
  return within;
}

QByteArray LineReader::quoted() {
  const int open = column();
  ++pos_;
  QByteArray out;
  QString pending;
  // Where each character of pending stands, for a character Big5 lacks: a test sends
  // exactly what it says, so "?" in its place would be a lie.
  QList<int> columns;
  auto flush = [&] {
    const QByteArray big5 = ToBig5(pending);
    if (big5.count('?') != pending.count(QLatin1Char('?'))) {
      for (qsizetype i = 0; i < pending.size(); ++i) {
        const qsizetype length = pending[i].isHighSurrogate() ? 2 : 1;
        const QStringView one = QStringView(pending).mid(i, length);
        if (one != QLatin1String("?") && ToBig5(one) == "?")
          fail(QCoreApplication::translate("Sequence", "'%1' has no Big5 code").arg(one),
               columns[i]);
        i += length - 1;
      }
    }
    out += big5;
    pending.clear();
    columns.clear();
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
      columns << column();
      ++pos_;
      continue;
    }
    const int at = column();
    const QChar e = pos_ + 1 < text_.size() ? text_[pos_ + 1] : QChar();
    pos_ += 2;
    if (e == QLatin1Char('x')) {
      const QString digits = text_.mid(pos_, 2);
      if (digits.size() != 2 || !IsHex(digits))
        fail(QCoreApplication::translate("Sequence", "bad escape: \\x needs two hex digits"), at);
      pos_ += 2;
      flush();
      out += char(digits.toUInt(nullptr, 16));
      continue;
    }
    const Escape *escape = nullptr;
    for (const Escape &candidate : kEscapes)
      if (e == QLatin1Char(candidate.letter))
        escape = &candidate;
    if (!escape)
      fail(QCoreApplication::translate("Sequence",
                                       "bad escape '\\%1': use \\r \\n \\t \\\\ \\\" or \\xNN")
               .arg(e),
           at);
    pending += QLatin1Char(escape->character);
    columns << at;
  }
  fail(QCoreApplication::translate("Sequence", "text not closed by a quote"), open);
}
