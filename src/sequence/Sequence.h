// A test sequence: a UTF-8 text file of steps, one a line, each doing what a press does or
// checking what came back. Keywords are case-insensitive, '#' starts a comment outside
// quotes, blank lines are skipped. Text in quotes goes out in Big5 with the escapes \r \n
// \t \\ \" and \xNN (one raw byte). StepText() prints a step so that parsing it again gives
// the same step: recording writes files through it. The reader (SequenceFile.cpp) and the
// printer (StepText.cpp) share the tables of step kinds and escapes below.
#pragma once

#include "VfdCommands.h"

#include <QByteArray>
#include <QList>
#include <QString>

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
    Wait
  };
  Kind kind = Close;
  // 1-based line of the file, and the step as written there (without its comment).
  int line = 0;
  QString source;
  // Open: the port item (0 for COM1, 1 for COM2) and speed; -1 and 0 keep the window's.
  int port = -1;
  qint32 baud = 0;
  // Send and Expect: the bytes; hex when they were written as hex bytes.
  QByteArray bytes;
  bool hex = false;
  // Expect: within; ExpectNothing: for; Wait: the pause.
  qint64 ms = 0;
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
};

struct ParsedSequence {
  QList<SequenceStep> steps;
  // Set when the file is wrong; steps is then empty.
  bool failed = false;
  SequenceError error;
};

constexpr qint64 kDefaultWithinMs = 1000;
// A day: a longer limit is a typing error, not a test.
constexpr qint64 kLongestStepMs = 24 * 3600 * 1000;
// A longer line is not a sequence someone wrote.
constexpr int kLongestLine = 64 * 1024;

// Bigger files are refused rather than read.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;

ParsedSequence ParseSequence(const QByteArray &file);
// Reads and parses a file; a file that cannot be read is an error at line 0.
ParsedSequence ReadSequenceFile(const QString &path);
QString StepText(const SequenceStep &step);
// "FILE:LINE:COLUMN: message".
QString DescribeError(const QString &fileName, const SequenceError &error);
