// The few things the operating system does differently that the tool needs outside the
// port: text on the console, the face behind "新細明體", a pause that keeps its time, and
// memory for a long run. Each platform has its own file (Platform_unix, Platform_win).
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

enum class ConsoleStream { Out, Err };

// Writes text to the terminal or console the program was started from, or to wherever the
// stream was redirected. When standard output takes nothing more (a full disk, a pipe
// whose reader has gone), standard error says so at once, and ConsoleProblem() keeps why.
void PrintToConsole(ConsoleStream stream, const QString &text);
// Why standard output could not take everything printed to it ("standard output: No space
// left on device"), or empty.
QString ConsoleProblem();

// The installed faces that stand in for "新細明體", best first.
QStringList MingFaceSubstitutes();

// Sleeps for the given time, ending within about a millisecond of it.
void PauseExactly(std::chrono::nanoseconds time);

// Keeps large buffers (the receive memo's text) in mappings of their own, so one that has
// grown does not leave its old copy resident, and lets a write into a pipe whose reader has
// gone fail rather than end the program. Call before anything is allocated in bulk.
void PrepareForLongRun();

// Runs handler on the main thread when the program is asked to end: Ctrl+C, a request to
// terminate, or the end of its terminal (SIGINT, SIGTERM, SIGHUP; on Windows the console's
// Ctrl+C, Ctrl+Break and close). It is told the exit code that says why: 130, 143 or 129.
// A second request while the first is handled ends the program at once with that code. An
// empty handler restores the defaults.
void OnInterrupt(std::function<void(int exitCode)> handler);

// A member of a rack (a process the rack started) also takes a byte on its standard input
// as such a request, the byte being the exit code; the end of that input (the rack is gone)
// is a hang-up, 129. Call after OnInterrupt().
void InterruptOnInput();
