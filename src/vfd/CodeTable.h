// The offline "Code Build" table: 400 hexadecimal values in H' notation, each with its
// entry number, for pasting into the display module's documentation.
#pragma once

#include <QStringList>

QStringList CodeTableLines();
