// Typed text to the wire. The input, read as UTF-16, goes through SEND's Big5 conversion:
// decoding the bytes must give the text back with one '?' for each character Big5 lacks,
// and no character may take more than two bytes.
#include "Big5.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QString text =
      QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(size / 2));
  const QByteArray bytes = ToBig5(text);

  QString expected;
  qsizetype characters = 0;
  for (qsizetype i = 0; i < text.size(); ++i, ++characters) {
    const bool pair =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const QString one = text.mid(i, pair ? 2 : 1);
    i += pair ? 1 : 0;
    const QByteArray code = ToBig5(one);
    if (code.size() < 1 || code.size() > 2)
      std::abort();
    expected += code == "?" ? QStringLiteral("?") : one;
  }
  if (bytes.size() > 2 * characters)
    std::abort();
  if (Big5Reader().readChunk(bytes) != expected)
    std::abort();
  return 0;
}
