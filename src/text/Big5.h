// Big5 is code page 950 on every platform. Qt converts it where Qt was built with ICU (as
// on Debian); where it was not (Qt for Windows), the platform's code page 950 does, with
// the same handling of bytes that are not a character: a lead byte without its trail is
// one U+FFFD and the byte after it counts on its own, a code with no character is one
// U+FFFD, and a character Big5 lacks is sent as one '?'.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

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

// Big5 read as it streams in, chunk after chunk: a lead byte that ends one chunk is read
// with the trail byte that starts the next, so bytes cut anywhere read as in one piece. The
// one reader of received bytes: the receive box, the line monitor's rows and a run's
// pending bytes all read through it.
class Big5Reader {
public:
  explicit Big5Reader(Big5Route route = PreferredBig5Route());

  // The text of the next chunk, a character for each code. ends, when given, gets where
  // each character's bytes end in the chunk: 1 for one whose lead byte ended the chunk
  // before, 0 for a lead byte left by the chunk before that turned out to have no trail.
  QString readChunk(QByteArrayView bytes, std::vector<qsizetype> *ends = nullptr);
  // Goes over a chunk as readChunk() does, keeping only the lead byte it may end with.
  void skipChunk(QByteArrayView bytes);
  // A lead byte that ended the last chunk, waiting for its trail; -1 when none.
  int lead() const { return lead_; }
  // Goes on from a chunk that ended with this lead byte (or -1).
  void setLead(int lead) { lead_ = lead; }
  void reset() { lead_ = -1; }

private:
  const struct Big5Table *table_;
  int lead_ = -1;
};

// Whether bytes are Big5 text that reads back as the same bytes: no code without a
// character, no lead byte without its trail.
bool ReadsBackAsBig5(QByteArrayView bytes);

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
