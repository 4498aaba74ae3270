// The yield's figures as one self-contained page: no script, nothing fetched, printable and
// readable on a phone, with its charts drawn in (SVG). Every text from a device or an
// operator is escaped. The page is well-formed XML as well as HTML.
#pragma once

#include "Yield.h"

#include <QString>

QString YieldPage(const YieldFigures &figures);
