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

QString Big5Character(QByteArrayView code) {
  // One decoder serves every call, left as it was found: making one opens a converter.
  thread_local Big5Decoder decoder;
  const QString text = decoder.decode(code);
  decoder.reset();
  return text.size() == 1 && text[0] != QChar(QChar::ReplacementCharacter) ? text : QString();
}

QByteArray ToBig5(QStringView text, Big5Route route) {
  auto wholePair = [text](qsizetype i) {
    return text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
  };
  if (route == Big5Route::Platform) {
    // The code page works on UTF-16 units: a character outside the BMP, or half of one,
    // is replaced first so that it, too, becomes a single '?'.
    QString units;
    units.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
      const bool pair = wholePair(i);
      units += text[i].isSurrogate() ? QChar(u'?') : text[i];
      i += pair ? 1 : 0;
    }
    return Cp950Encode(units);
  }
  // One character at a time: ICU would hold half a surrogate pair at the end back for good,
  // and it drops a character Unicode calls ignorable (U+200B, U+FEFF, U+FFF8 ...) where it
  // substitutes '?' for any other it cannot encode. Both become '?' here, as in the code page.
  QStringEncoder encoder(kBig5Name);
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].unicode() < 0x80) {
      bytes += char(text[i].unicode());
      continue;
    }
    const qsizetype length = wholePair(i) ? 2 : 1;
    const QByteArray code =
        text[i].isSurrogate() && length == 1 ? QByteArray() : encoder.encode(text.mid(i, length));
    bytes += code.isEmpty() ? QByteArray(1, '?') : code;
    i += length - 1;
  }
  return bytes;
}

qsizetype FirstWithoutBig5(QStringView text) {
  // Most text is ASCII or all Big5: one conversion says so, and only then is it searched.
  const QByteArray whole = ToBig5(text);
  if (whole.count('?') == text.count(u'?'))
    return -1;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QStringView one = text.mid(i, length);
    if (one != u"?" && ToBig5(one) == "?")
      return i;
    i += length - 1;
  }
  return -1;
}
