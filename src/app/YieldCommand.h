// --yield: the yield's figures over a span on the console, and as JSON and a page when asked.
#pragma once

#include <QString>

struct YieldCommand {
  QString results;
  QString since;
  QString until;
  QString sequence;
  QString station;
  QString device;
  QString html;
  QString json;
};

// The exit code: 0, or 2 for a wrong span, an unknown sequence or a store that cannot be
// read, or 1 when a file could not be written.
int ShowYield(const YieldCommand &command);
