// A test sequence: a UTF-8 text file of steps, one a line, each doing what a press does or
// checking what came back. Keywords are case-insensitive, '#' starts a comment outside
// quotes, blank lines are skipped. Text in quotes goes out in Big5 with the escapes \r \n
// \t \\ \" and \xNN (one raw byte). StepText() prints a step so that parsing it again gives
// the same step: recording writes files through it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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
