// The line monitor's rows. The input's first byte says into how many chunks the rest is
// cut, the next bytes where. Every chunk's hex must give back its bytes, and its reading
// must stand within the columns of those bytes, a two-byte character included.
#include "LineRecorder.h"

#include <cstdint>
#include <cstdlib>

namespace {
int Columns(const QString &line) {
  int width = 0;
  for (const QChar c : line)
    width += c.unicode() >= 0x1100 ? 2 : 1;
  return width;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  const int cuts = data[0] % 8;
  if (size < size_t(1 + cuts))
    return 0;
  const QByteArray bytes(reinterpret_cast<const char *>(data) + 1 + cuts,
                         qsizetype(size - 1 - cuts));
  int lead = -1;
  qsizetype at = 0;
  for (int i = 0; i <= cuts; ++i) {
    const qsizetype end = i < cuts ? qMin(bytes.size(), at + data[1 + i]) : bytes.size();
    const QByteArray chunk = bytes.mid(at, end - at);
    at = end;
    const QStringList lines = TLineRecorder::ByteLines(chunk, &lead);
    const qsizetype perLine = TLineRecorder::kBytesPerLine;
    if (lines.size() != 2 * ((chunk.size() + perLine - 1) / perLine))
      std::abort();
    QByteArray hex;
    for (qsizetype l = 0; l < lines.size(); l += 2) {
      hex += QByteArray::fromHex(lines[l].toLatin1());
      const qsizetype inLine = qMin(perLine, chunk.size() - l / 2 * perLine);
      if (Columns(lines[l + 1]) > 4 + 4 * int(inLine))
        std::abort();
    }
    if (hex != chunk)
      std::abort();
  }
  return 0;
}
