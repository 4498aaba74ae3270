// Code page 950 through Windows itself (Qt for Windows has no ICU). Best-fit mappings are
// refused when encoding, so a character goes out only as the code that decodes back to it.
#include "Big5.h"

#include <windows.h>

namespace {
constexpr UINT kCodePage = 950;
}

bool Cp950Available() { return IsValidCodePage(kCodePage) != 0; }

char16_t Cp950Character(const char *code, int length) {
  wchar_t out[2] = {};
  const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, code, length, out, 2);
  return n == 1 ? char16_t(out[0]) : char16_t(0);
}

QByteArray Cp950Encode(QStringView text) {
  if (text.isEmpty())
    return QByteArray();
  const auto *units = reinterpret_cast<const wchar_t *>(text.utf16());
  const int length = int(text.size());
  const int size =
      WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, length, nullptr, 0, "?", nullptr);
  if (size <= 0) {
    // No code page at all: ASCII is ASCII in Big5, the rest cannot be said.
    QByteArray ascii(text.size(), '?');
    for (qsizetype i = 0; i < text.size(); ++i)
      if (text[i].unicode() < 0x80)
        ascii[i] = char(text[i].unicode());
    return ascii;
  }
  QByteArray bytes(size, Qt::Uninitialized);
  WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, length, bytes.data(), size, "?",
                      nullptr);
  return bytes;
}
