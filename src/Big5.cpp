#include "Big5.h"

#include <QStringEncoder>

namespace {
constexpr char kBig5Name[] = "Big5";

QChar CharacterOf(const char *code, int length) {
  const char16_t c = Cp950Character(code, length);
  return c ? QChar(c) : QChar(QChar::ReplacementCharacter);
}
} // namespace

bool IsBig5Lead(uchar b) { return b >= 0x81 && b <= 0xFE; }

// 0x80 is no character, but it does complete a pair as far as the code page goes.
bool IsBig5Trail(uchar b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }

Big5Route PreferredBig5Route() {
  static const bool qtHasIt = QStringDecoder(kBig5Name).isValid();
  return qtHasIt ? Big5Route::Qt : Big5Route::Platform;
}

bool Big5Available() { return PreferredBig5Route() == Big5Route::Qt || Cp950Available(); }

Big5Decoder::Big5Decoder(Big5Route route) : route_(route) {
  if (route_ == Big5Route::Qt)
    qt_ = QStringDecoder(kBig5Name);
}

QString Big5Decoder::decode(QByteArrayView bytes) {
  if (route_ == Big5Route::Qt)
    return qt_.decode(bytes);
  QString text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const uchar b = static_cast<uchar>(c);
    if (lead_ >= 0) {
      const char pair[2] = {static_cast<char>(lead_), c};
      lead_ = -1;
      if (IsBig5Trail(b)) {
        text += CharacterOf(pair, 2);
        continue;
      }
      text += QChar(QChar::ReplacementCharacter);
    }
    if (b < 0x80)
      text += QLatin1Char(c);
    else if (IsBig5Lead(b))
      lead_ = b;
    else
      text += CharacterOf(&c, 1);
  }
  return text;
}

void Big5Decoder::reset() {
  qt_.resetState();
  lead_ = -1;
}

QByteArray ToBig5(QStringView text, Big5Route route) {
  // Half a surrogate pair is no character: ICU would hold one at the end back for good,
  // waiting for its other half. The code page works on UTF-16 units, so there a whole
  // character outside the BMP is replaced too. Either way it becomes a single '?'.
  QString units;
  units.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!c.isSurrogate()) {
      units += c;
      continue;
    }
    const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (pair && route == Big5Route::Qt)
      units += text.mid(i, 2);
    else
      units += QLatin1Char('?');
    i += pair ? 1 : 0;
  }
  if (route == Big5Route::Platform)
    return Cp950Encode(units);
  // ICU substitutes '?' for a character it cannot encode, but drops one that Unicode calls
  // ignorable (U+200B, U+FEFF, U+FFF8 ...); the code page gives those a '?' as well.
  QStringEncoder encoder(kBig5Name);
  QByteArray bytes;
  bytes.reserve(units.size() * 2);
  for (qsizetype i = 0; i < units.size(); ++i) {
    if (units[i].unicode() < 0x80) {
      bytes += char(units[i].unicode());
      continue;
    }
    const qsizetype length = units[i].isHighSurrogate() ? 2 : 1;
    const QByteArray code = encoder.encode(QStringView(units).mid(i, length));
    bytes += code.isEmpty() ? QByteArray(1, '?') : code;
    i += length - 1;
  }
  return bytes;
}
