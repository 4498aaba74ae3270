// What the tool says to the display: the fixed command tables, the release text, the
// sweep range and the sweep label. Outgoing text goes through ToBig5 (Big5.h).
#pragma once

#include "Big5.h"

#include <QByteArray>
#include <QString>

#include <array>

// Takes the display over and shows the banner; index 42 is a terminator, never sent.
extern const std::array<unsigned char, 43> InitVfdBytes;
constexpr int kInitVfdLength = 42;
// Blanks the display; index 1 is a terminator, never sent.
extern const std::array<unsigned char, 2> ClearVfdBytes;
// Hands control of the display back to the device.
extern const char kEndText[];

constexpr int kSweepFirst = 0x21;
constexpr int kSweepLast = 0xFE;

// "41 = A": the byte as two upper-case hex digits, then the byte itself as a character.
QString SweepLabelText(int byte);
