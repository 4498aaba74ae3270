// What the start-up module needs beyond the window: showing an error that escapes it, and
// a warning when Big5 cannot be converted.
#pragma once

#include <functional>

// Runs body; whatever it throws is shown in a message box instead of ending the process
// unannounced. Returns 0 either way, as the program does. Needs the application object.
int RunShowingEscapes(const std::function<void()> &body);

// Tells the operator when neither Qt nor the system can convert Big5, rather than sending
// and showing nothing without a word.
void WarnIfNoBig5();
