// A sequence run without a window: a line per step on the console, the summary last, a
// JUnit report if asked, and an exit code a script can act on.
#pragma once

#include "SequenceRunner.h"

#include <QString>

struct HeadlessRun {
  QString file;
  int repeat = 1;
  bool keepGoing = false;
  QString report;
};

// Exit codes.
constexpr int kRunPassed = 0;
constexpr int kRunFailed = 1;
constexpr int kRunBadInput = 2;
constexpr int kRunPortTrouble = 3;
constexpr int kRunInterrupted = 130;

// Runs the file through the panel in the running event loop and gives the exit code.
int RunHeadless(SequencePanel *panel, const HeadlessRun &run);
