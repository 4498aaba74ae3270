// The tool's own name and version, as every report, log and answer to --version gives them,
// and the name of the machine it runs on.
#pragma once

#include <QString>

inline constexpr char kToolName[] = "glow-panel";
extern const char kToolVersion[];

QString HostName();
