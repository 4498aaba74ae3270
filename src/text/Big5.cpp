#include "Big5.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

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

// What every single byte and every pair of a lead and a trail byte read as, made once per
// route: the reader then reads a chunk without asking a converter anything.
struct Big5Table {
  std::array<char16_t, 256> single{};
  // By lead byte less 0x81 and trail byte; U+FFFD where the code has no character.
  std::vector<std::array<char16_t, 256>> pairs;

  explicit Big5Table(Big5Route route) : pairs(0xFE - 0x81 + 1) {
    QByteArray codes;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
      for (int trail = 0; trail < 256; ++trail)
        if (IsBig5Trail(uchar(trail)))
          codes.append(char(lead)).append(char(trail));
    if (route == Big5Route::Qt) {
      // Every well-formed pair reads as one character, so the pairs decode in one stream.
      QStringDecoder decoder(kBig5Name);
      const QString text = decoder.decode(codes);
      qsizetype k = 0;
      for (qsizetype i = 0; i + 1 < codes.size(); i += 2)
        pair(codes[i], codes[i + 1]) = k < text.size() ? text[k++].unicode() : 0xFFFD;
      for (int b = 0x80; b < 256; ++b)
        if (!IsBig5Lead(uchar(b))) {
          decoder.resetState();
          const QString one = decoder.decode(QByteArray(1, char(b)));
          single[size_t(b)] = one.size() == 1 ? one[0].unicode() : 0xFFFD;
        }
    } else {
      for (qsizetype i = 0; i + 1 < codes.size(); i += 2)
        pair(codes[i], codes[i + 1]) = CharacterOf(codes.constData() + i, 2).unicode();
      for (int b = 0x80; b < 256; ++b) {
        const char c = char(b);
        if (!IsBig5Lead(uchar(b)))
          single[size_t(b)] = CharacterOf(&c, 1).unicode();
      }
    }
    for (int b = 0; b < 0x80; ++b)
      single[size_t(b)] = char16_t(b);
  }
  char16_t &pair(char lead, char trail) { return pairs[size_t(uchar(lead) - 0x81)][uchar(trail)]; }
  char16_t pair(int lead, uchar trail) const { return pairs[size_t(lead - 0x81)][trail]; }

  static const Big5Table *of(Big5Route route) {
    static const Big5Table qt(Big5Route::Qt);
    static const Big5Table platform(Big5Route::Platform);
    return route == Big5Route::Qt ? &qt : &platform;
  }
};

Big5Reader::Big5Reader(Big5Route route) : table_(Big5Table::of(route)) {}

QString Big5Reader::readChunk(QByteArrayView bytes, std::vector<qsizetype> *ends) {
  QString text;
  text.reserve(bytes.size());
  const qsizetype n = bytes.size();
  auto put = [&](char16_t c, qsizetype end) {
    text += QChar(c);
    if (ends)
      ends->push_back(end);
  };
  qsizetype i = 0;
  if (lead_ >= 0 && n > 0) {
    if (IsBig5Trail(uchar(bytes[0])))
      put(table_->pair(lead_, uchar(bytes[i++])), 1);
    else
      put(0xFFFD, 0);
    lead_ = -1;
  }
  for (; i < n; ++i) {
    const uchar b = uchar(bytes[i]);
    if (!IsBig5Lead(b)) {
      put(table_->single[b], i + 1);
    } else if (i + 1 == n) {
      lead_ = b;
    } else if (IsBig5Trail(uchar(bytes[i + 1]))) {
      put(table_->pair(b, uchar(bytes[i + 1])), i + 2);
      ++i;
    } else {
      // A lead byte without its trail: the byte after it counts on its own.
      put(0xFFFD, i + 1);
    }
  }
  return text;
}

void Big5Reader::skipChunk(QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  qsizetype i = lead_ >= 0 && n > 0 && IsBig5Trail(uchar(bytes[0])) ? 1 : 0;
  if (n > 0)
    lead_ = -1;
  for (; i < n; ++i) {
    if (!IsBig5Lead(uchar(bytes[i])))
      continue;
    if (i + 1 == n)
      lead_ = uchar(bytes[i]);
    else if (IsBig5Trail(uchar(bytes[i + 1])))
      ++i;
  }
}

bool ReadsBackAsBig5(QByteArrayView bytes) {
  Big5Reader reader;
  const QString text = reader.readChunk(bytes);
  return reader.lead() < 0 && !text.contains(QChar::ReplacementCharacter) && ToBig5(text) == bytes;
}

QString Big5Character(QByteArrayView code) {
  Big5Reader reader;
  const QString text = reader.readChunk(code);
  return text.size() == 1 && reader.lead() < 0 && text[0] != QChar(QChar::ReplacementCharacter)
             ? text
             : QString();
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
