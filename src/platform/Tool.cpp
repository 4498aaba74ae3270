#include "Tool.h"

#include <QSysInfo>

const char kToolVersion[] = GLOW_PANEL_VERSION;

QString HostName() { return QSysInfo::machineHostName(); }
