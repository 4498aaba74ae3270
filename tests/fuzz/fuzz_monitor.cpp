// The line monitor's rows, for chunks the input cuts itself into (Chunks.h). Every chunk's hex must
// give back its bytes, and its reading must stand within the columns of those bytes, a two-byte
// character included.
#include "ByteRows.h"
#include "Chunks.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  ByteRows rows;
  for (const QByteArray &chunk : Chunks(data, size)) {
    const QStringList lines = rows.lines(chunk);
    const qsizetype perLine = ByteRows::kBytesPerLine;
    if (lines.size() != 2 * ((chunk.size() + perLine - 1) / perLine))
      std::abort();
    QByteArray hex;
    for (qsizetype l = 0; l < lines.size(); l += 2) {
      hex += QByteArray::fromHex(lines[l].toLatin1());
      const qsizetype inLine = qMin(perLine, chunk.size() - l / 2 * perLine);
      if (ByteRows::columns(lines[l + 1]) > 4 + 4 * int(inLine))
        std::abort();
    }
    if (hex != chunk)
      std::abort();
  }
  return 0;
}
