// A test sequence: a UTF-8 text file of steps, one a line, each doing what a press does,
// checking what came back, or measuring it. Keywords are case-insensitive, '#' starts a
// comment outside quotes, blank lines are skipped. Text in quotes goes out in Big5 with the
// escapes \r \n \t \\ \" and \xNN (one raw byte); ${name} puts in a variable's value, \$ a
// dollar sign. A pattern (expect match, check matches) goes to the engine as written, but
// that \" stands for a quote and \${ for "${". Variables come from --set, an ask, or a
// pattern's named group in an earlier step; `include` reads another file's steps in place.
// StepText() prints a step so that parsing it again gives the same step: recording writes
// files through it. The reader (SequenceFile.cpp, WordReader.cpp) and the printer
// (StepText.cpp) share the tables of step kinds and escapes below.
#pragma once

#include "VfdCommands.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct SequenceStep {
  enum Kind {
    Open,
    Close,
    InitialVfd,
    ClearVfd,
    Eend,
    AsciiDemo,
    Send,
    Expect,
    ExpectNothing,
    Wait,
    ExpectMatch,
    Check,
    Ask
  };
  // How a check holds its variable to the line.
  enum Test { Between, Is, Matches };
  Kind kind = Close;
  // 1-based line of the file, and the step as written there (without its comment). A step
  // of an included file carries that file's name as its include wrote it.
  int line = 0;
  QString source;
  QString file;
  // Open: the port item (0 for COM1, 1 for COM2) and speed; -1 and 0 keep the window's.
  int port = -1;
  qint32 baud = 0;
  // Send and Expect: the bytes; hex when they were written as hex bytes.
  QByteArray bytes;
  bool hex = false;
  // ExpectMatch and Check matches: the pattern; Check is: the value; Ask: the prompt.
  QString text;
  // With variables in the text or bytes: its pieces, literal (bytes as Latin-1 characters)
  // and a variable's name in turn, starting and ending with a literal one; else empty.
  QStringList pieces;
  // Expect and ExpectMatch: within; ExpectNothing: for; Wait: the pause.
  qint64 ms = 0;
  // ExpectMatch: how long the line must be quiet before a match that more bytes could
  // extend is taken as it stands.
  qint64 settleMs = 0;
  // Check and Ask: the variable; Check: its test, with the limits (inclusive) of Between.
  QString variable;
  Test test = Between;
  double low = 0;
  double high = 0;

  // The names of the variables the step's text or bytes use.
  QStringList usedNames() const;
};

// Each kind of step: the word that starts it in a file, and the press it makes, if any.
struct StepKind {
  SequenceStep::Kind kind;
  const char *keyword;
  std::optional<Press> press;
};
inline constexpr StepKind kStepKinds[] = {
    {SequenceStep::Open, "open", {}},
    {SequenceStep::Close, "close", {}},
    {SequenceStep::InitialVfd, "initial-vfd", Press::InitialVfd},
    {SequenceStep::ClearVfd, "clear-vfd", Press::ClearVfd},
    {SequenceStep::Eend, "eend", Press::Eend},
    {SequenceStep::AsciiDemo, "ascii-demo", Press::AsciiDemo},
    {SequenceStep::Send, "send", Press::Send},
    {SequenceStep::Expect, "expect", {}},
    {SequenceStep::ExpectNothing, "expect", {}},
    {SequenceStep::Wait, "wait", {}},
    {SequenceStep::ExpectMatch, "expect", {}},
    {SequenceStep::Check, "check", {}},
    {SequenceStep::Ask, "ask", {}},
};
const StepKind &KindOf(SequenceStep::Kind kind);
// The step that makes the writes of this press.
const StepKind &KindOf(Press press);

// The escapes of quoted text: the letter after the backslash, and the character it stands
// for. \xNN, a raw byte, stands apart.
struct Escape {
  char letter;
  char character;
};
inline constexpr Escape kEscapes[] = {
    {'r', '\r'}, {'n', '\n'}, {'t', '\t'}, {'\\', '\\'}, {'"', '"'},
};

struct SequenceError {
  int line = 0;
  int column = 0;
  QString message;
  // The included file where the error is; empty for the file itself.
  QString file;
};

struct ParsedSequence {
  QList<SequenceStep> steps;
  // SHA-256 of the file's bytes and its includes' in the order read, in hex.
  QByteArray hash;
  // Set when the file is wrong; steps is then empty.
  bool failed = false;
  SequenceError error;
};

constexpr qint64 kDefaultWithinMs = 1000;
// A reply's pieces come closer than this: at 9600 baud a byte takes about 1 ms, and a USB
// adapter holds what it has received for up to 16 ms before passing it on.
constexpr qint64 kDefaultSettleMs = 50;
// A day: a longer limit is a typing error, not a test.
constexpr qint64 kLongestStepMs = 24 * 3600 * 1000;
// A longer line is not a sequence someone wrote.
constexpr int kLongestLine = 64 * 1024;

// Bigger files are refused rather than read.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;

// How deep includes may nest.
constexpr int kDeepestInclude = 16;

// known: the variables set before the run (--set); every other one a string uses must be
// set by an ask or a named group in an earlier step. Includes are read relative to folder.
ParsedSequence ParseSequence(const QByteArray &file, const QStringList &known = {},
                             const QString &folder = QString());
// Reads and parses a file; a file that cannot be read is an error at line 0.
ParsedSequence ReadSequenceFile(const QString &path, const QStringList &known = {});
// The text with the variables' values put in; a pattern's values go in as literal text.
QString FillText(const SequenceStep &step, const QHash<QString, QString> &values);
// The bytes with the variables' values put in, in Big5.
QByteArray FillBytes(const SequenceStep &step, const QHash<QString, QString> &values);
// Why a variable's value cannot go into a step that sends or expects it, or empty: it is
// empty (the step would send or expect nothing in its place), or holds a character Big5
// lacks (which would go out as '?').
QString ValueProblem(const QString &name, const QString &value);
QString StepText(const SequenceStep &step);
// A limit as the file would write it: the shortest text that reads back as the same number.
QString NumberText(double value);
// "FILE:LINE:COLUMN: message".
QString DescribeError(const QString &fileName, const SequenceError &error);
