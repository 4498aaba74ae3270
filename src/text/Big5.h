// Big5 is code page 950 on every platform. Qt converts it where Qt was built with ICU (as
// on Debian); where it was not (Qt for Windows), the platform's code page 950 does, with
// the same handling of bytes that are not a character: a lead byte without its trail is
// one U+FFFD and the byte after it counts on its own, a code with no character is one
// U+FFFD, and a character Big5 lacks is sent as one '?'.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

enum class Big5Route {
  Qt,       // Qt's own converter
  Platform, // the operating system's code page 950
};

// The first byte of a two-byte code, and the bytes that can follow it.
bool IsBig5Lead(uchar b);
bool IsBig5Trail(uchar b);

// Qt's converter where there is one, else the platform's.
Big5Route PreferredBig5Route();
// False when neither Qt nor the platform can convert Big5: then only ASCII gets through.
bool Big5Available();

// Bytes to text across any number of reads: a character split between two reads comes
// out whole.
class Big5Decoder {
public:
  explicit Big5Decoder(Big5Route route = PreferredBig5Route());
  QString decode(QByteArrayView bytes);
  void reset();

private:
  Big5Route route_;
  QStringDecoder qt_;
  // A lead byte that came last, its trail byte still to come; -1 when none.
  int lead_ = -1;
};

// The one character of a single code (one byte, or a lead byte and its trail), or an empty
// string where the code has none.
QString Big5Character(QByteArrayView code);

// The Big5 bytes of a text; a character Big5 has no code for goes out as one '?'.
QByteArray ToBig5(QStringView text, Big5Route route = PreferredBig5Route());
// Where the first character Big5 has no code for stands in the text, or -1.
qsizetype FirstWithoutBig5(QStringView text);

// The platform's code page 950 (Big5_unix.cpp, Big5_win.cpp).
bool Cp950Available();
// The character of a one- or two-byte code, or 0 when the code has none.
char16_t Cp950Character(const char *code, int length);
// The bytes of a text without surrogates; a character the code page lacks becomes '?'.
QByteArray Cp950Encode(QStringView text);
