// Code page 950 through iconv, for a Qt built without ICU. glibc names it CP950; it lacks
// the user-defined area (lead bytes 0x81 to 0xA0 and 0xFA to 0xFE), which decodes as U+FFFD.
#include "Big5.h"

#include <iconv.h>

namespace {
constexpr char kCodePage[] = "CP950";
constexpr char kUtf16[] = "UTF-16LE";

struct Converter {
  Converter(const char *to, const char *from) : cd(iconv_open(to, from)) {}
  ~Converter() {
    if (valid())
      iconv_close(cd);
  }
  bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t cd;
};

Converter &Decoder() {
  static Converter c(kUtf16, kCodePage);
  return c;
}
Converter &Encoder() {
  static Converter c(kCodePage, kUtf16);
  return c;
}
} // namespace

bool Cp950Available() { return Decoder().valid() && Encoder().valid(); }

char16_t Cp950Character(const char *code, int length) {
  Converter &c = Decoder();
  if (!c.valid())
    return 0;
  char16_t out[2] = {};
  char *in = const_cast<char *>(code);
  size_t inLeft = size_t(length);
  char *outPtr = reinterpret_cast<char *>(out);
  size_t outLeft = sizeof out;
  iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
  const size_t done = iconv(c.cd, &in, &inLeft, &outPtr, &outLeft);
  const bool one = done != size_t(-1) && inLeft == 0 && outLeft == sizeof out - sizeof(char16_t);
  return one ? out[0] : 0;
}

QByteArray Cp950Encode(QStringView text) {
  QByteArray bytes;
  Converter &c = Encoder();
  bytes.reserve(text.size() * 2);
  for (const QChar ch : text) {
    if (ch.unicode() < 0x80) {
      bytes += char(ch.unicode());
      continue;
    }
    const char16_t unit = ch.unicode();
    char out[8];
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(&unit));
    size_t inLeft = sizeof unit;
    char *outPtr = out;
    size_t outLeft = sizeof out;
    if (c.valid())
      iconv(c.cd, nullptr, nullptr, nullptr, nullptr);
    if (c.valid() && iconv(c.cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1) && inLeft == 0)
      bytes.append(out, qsizetype(sizeof out - outLeft));
    else
      bytes += '?';
  }
  return bytes;
}
