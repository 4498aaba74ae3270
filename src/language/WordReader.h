// One line of a sequence file, read word by word, left to right; every failure names its
// line and column (thrown as a SequenceError).
#pragma once

#include "Sequence.h"

class WordReader {
public:
  WordReader(const QString &text, int line) : text_(text), line_(line) {}

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
  // Bytes written as text in quotes or as "hex" and hex bytes. Text with variables gives
  // its pieces (SequenceStep::pieces) and no bytes.
  QByteArray bytes(bool *hex, QStringList *pieces);

  enum class Quoted {
    // Text for the line: in Big5, each byte a Latin-1 character.
    Bytes,
    // Text as text (a value, a prompt).
    Text,
    // A pattern: the engine's escapes kept; columns gets each character's column.
    Pattern
  };
  // Text in quotes, the quote next. With variables, its pieces go to pieces and the text is
  // empty.
  QString quoted(Quoted kind, QStringList *pieces, QList<int> *columns = nullptr);
  // A variable's name; where each name read stands, in order.
  QString name();
  const QList<int> &nameColumns() const { return nameColumns_; }

private:
  // A keyword that ends a hex list ("within").
  bool peekKeyword();

  const QString &text_;
  int line_;
  qsizetype pos_ = 0;
  QList<int> nameColumns_;
};

// One step from a line. known holds the variables set so far: a name no one set is an
// error; an ask or a pattern's named groups add theirs.
SequenceStep ReadStep(WordReader &in, QStringList *known);
