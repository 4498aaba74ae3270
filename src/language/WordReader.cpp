#include "WordReader.h"

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

bool WordReader::atEnd() {
  while (pos_ < text_.size() && text_[pos_].isSpace())
    ++pos_;
  return pos_ >= text_.size() || text_[pos_] == QLatin1Char('#');
}

QString WordReader::word() {
  if (atEnd())
    return {};
  const qsizetype start = pos_;
  while (pos_ < text_.size() && !text_[pos_].isSpace() && text_[pos_] != QLatin1Char('#') &&
         text_[pos_] != QLatin1Char('"'))
    ++pos_;
  return text_.mid(start, pos_ - start);
}

bool WordReader::take(QLatin1String keyword) {
  const qsizetype start = pos_;
  if (word().compare(keyword, Qt::CaseInsensitive) == 0)
    return true;
  pos_ = start;
  return false;
}

void WordReader::fail(const QString &message, int column) {
  throw SequenceError{line_, column > 0 ? column : this->column(), message, {}};
}

void WordReader::expectEnd() {
  if (atEnd())
    return;
  const int at = column();
  fail(QCoreApplication::translate("Sequence", "unexpected '%1'").arg(word().left(40)), at);
}

qint64 WordReader::time() {
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

QByteArray WordReader::bytes(bool *hex, QStringList *pieces) {
  if (atQuote()) {
    *hex = false;
    const int at = column();
    const QByteArray text = quoted(Quoted::Bytes, pieces).toLatin1();
    if (text.isEmpty() && pieces->isEmpty())
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

bool WordReader::peekKeyword() {
  const qsizetype start = pos_;
  const bool within = take(QLatin1String("within"));
  pos_ = start;
  return within;
}

QString WordReader::quoted(Quoted kind, QStringList *pieces, QList<int> *columns) {
  const int open = column();
  ++pos_;
  QString out;
  QString pending;
  // Where each character of pending stands, for a character Big5 lacks: a test sends
  // exactly what it says, so "?" in its place would be a lie.
  QList<int> pendingColumns;
  auto flush = [&] {
    if (kind != Quoted::Bytes) {
      out += pending;
    } else {
      if (const qsizetype bad = FirstWithoutBig5(pending); bad >= 0)
        fail(QCoreApplication::translate("Sequence", "'%1' has no Big5 code")
                 .arg(pending.mid(bad, pending[bad].isHighSurrogate() ? 2 : 1)),
             pendingColumns[bad]);
      out += QString::fromLatin1(ToBig5(pending));
    }
    pending.clear();
    pendingColumns.clear();
  };
  auto literal = [&](QChar c, int at) {
    pending += c;
    pendingColumns << at;
    if (columns)
      *columns << at;
  };
  while (pos_ < text_.size()) {
    const QChar c = text_[pos_];
    const int at = column();
    if (c == QLatin1Char('"')) {
      ++pos_;
      flush();
      if (!pieces->isEmpty())
        *pieces << std::exchange(out, QString());
      return out;
    }
    if (c == QLatin1Char('$') && text_.mid(pos_ + 1, 1) == QLatin1String("{")) {
      pos_ += 2;
      flush();
      *pieces << std::exchange(out, QString()) << name();
      if (text_.mid(pos_, 1) != QLatin1String("}"))
        fail(QCoreApplication::translate("Sequence", "expected } after the variable's name"));
      ++pos_;
      continue;
    }
    if (c != QLatin1Char('\\')) {
      literal(c, at);
      ++pos_;
      continue;
    }
    const QChar e = pos_ + 1 < text_.size() ? text_[pos_ + 1] : QChar();
    pos_ += 2;
    const bool dollarBrace = e == QLatin1Char('$') && text_.mid(pos_, 1) == QLatin1String("{");
    if (e == QLatin1Char('"') || dollarBrace ||
        (e == QLatin1Char('$') && kind != Quoted::Pattern)) {
      literal(e, at);
      continue;
    }
    // A pattern keeps the engine's own escapes as they stand.
    if (kind == Quoted::Pattern) {
      literal(QLatin1Char('\\'), at);
      pos_ -= 1;
      continue;
    }
    if (e == QLatin1Char('x')) {
      const QString digits = text_.mid(pos_, 2);
      if (digits.size() != 2 || !IsHex(digits))
        fail(QCoreApplication::translate("Sequence", "bad escape: \\x needs two hex digits"), at);
      pos_ += 2;
      flush();
      out += QChar(char16_t(digits.toUInt(nullptr, 16)));
      continue;
    }
    const Escape *escape = nullptr;
    for (const Escape &candidate : kEscapes)
      if (e == QLatin1Char(candidate.letter))
        escape = &candidate;
    if (!escape)
      fail(QCoreApplication::translate("Sequence",
                                       "bad escape '\\%1': use \\r \\n \\t \\\\ \\\" \\$ or \\xNN")
               .arg(e),
           at);
    literal(QLatin1Char(escape->character), at);
  }
  fail(QCoreApplication::translate("Sequence", "text not closed by a quote"), open);
}

QString WordReader::name() {
  const int at = column();
  qsizetype end = pos_;
  while (end < text_.size() && (text_[end].isLetterOrNumber() || text_[end] == QLatin1Char('_')) &&
         text_[end].unicode() < 128)
    ++end;
  const QString name = text_.mid(pos_, end - pos_);
  if (name.isEmpty() || name[0].isDigit())
    fail(QCoreApplication::translate("Sequence",
                                     "expected a variable's name: letters, digits and _"),
         at);
  pos_ = end;
  nameColumns_ << at;
  return name;
}
