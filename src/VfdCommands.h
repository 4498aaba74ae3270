// What the tool says to the display: the fixed command tables, the release text, the
// sweep range, and the Big5 conversion every outgoing text goes through.
#pragma once

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

// Big5 bytes of a text; a character Big5 has no code for goes out as one '?'.
QByteArray ToBig5(const QString &text);
// "41 = A": the byte as two upper-case hex digits, then the byte itself as a character.
QString SweepLabelText(int byte);
