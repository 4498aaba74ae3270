// What the tool says to the display: the fixed command tables, the release text, the sweep's
// range, pace and label, and the presses that put bytes on the line, each with its button's
// caption and its writes. Outgoing text goes through ToBig5 (Big5.h).
#pragma once

#include "Big5.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <chrono>

// Takes the display over and shows the banner; the byte after the table is a terminator,
// never sent. Initial VFD writes the first byte, the other 41, then the first again: 43
// one-byte writes.
constexpr int kInitVfdLength = 42;
extern const std::array<unsigned char, kInitVfdLength + 1> InitVfdBytes;
// Blanks the display; index 1 is a terminator, never sent.
extern const std::array<unsigned char, 2> ClearVfdBytes;
// Hands control of the display back to the device.
extern const char kEndText[];

constexpr int kSweepFirst = 0x21;
constexpr int kSweepLast = 0xFE;
// From one write of the sweep to the next.
constexpr std::chrono::milliseconds kSweepStep{100};

// "41 = A": the byte as two upper-case hex digits, then the byte itself as a character.
QString SweepLabelText(int byte);

// A press that puts bytes on the line.
enum class Press { InitialVfd, ClearVfd, Eend, AsciiDemo, Send };
// The caption of its button, which names its writes on the line ("Initial VFD").
QString PressButton(Press press);
// The writes of a press whose bytes are fixed (Initial VFD, Clear VFD, eEND), in order;
// empty for the sweep and SEND, whose bytes come from elsewhere.
QList<QByteArray> PressWrites(Press press);
