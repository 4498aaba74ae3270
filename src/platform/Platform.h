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
// stream was redirected.
void PrintToConsole(ConsoleStream stream, const QString &text);

// The installed faces that stand in for "新細明體", best first.
QStringList MingFaceSubstitutes();

// Sleeps for the given time, ending within about a millisecond of it.
void PauseExactly(std::chrono::nanoseconds time);

// Keeps large buffers (the receive memo's text) in mappings of their own, so one that has
// grown does not leave its old copy resident. Call before anything is allocated in bulk.
void PrepareForLongRun();

// Runs handler on the main thread when the operator interrupts the program (Ctrl+C); an
// empty handler restores the default, which ends the program.
void OnInterrupt(std::function<void()> handler);
