// One line of a sequence file, read word by word, left to right; every failure names its
// line and column (thrown as a SequenceError).
#pragma once

#include "Sequence.h"

class LineReader {
public:
  LineReader(const QString &text, int line) : text_(text), line_(line) {}

  // Spaces skipped; true at the end of the line or at a comment.
  bool atEnd();
  bool atQuote() { return !atEnd() && text_[pos_] == QLatin1Char('"'); }
  int column() const { return int(pos_) + 1; }
  qsizetype position() const { return pos_; }
  // The next word, up to a space, a quote or a comment.
  QString word();
  // The next word if it is this keyword (case-insensitive); otherwise nothing is taken.
  bool take(QLatin1String keyword);
  [[noreturn]] void fail(const QString &message, int column = 0);
  void expectEnd();
  // A time: whole milliseconds, written "250 ms" or "2 s".
  qint64 time();
  // Bytes written as text in quotes or as "hex" and hex bytes.
  QByteArray bytes(bool *hex);

private:
  // A keyword that ends a hex list ("within").
  bool peekKeyword();
  QByteArray quoted();

  const QString &text_;
  int line_;
  qsizetype pos_ = 0;
};
