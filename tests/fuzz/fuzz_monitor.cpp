// The line monitor's rows, for chunks the input cuts itself into (Chunks.h). Every chunk's hex must
// give back its bytes, and its reading must stand within the columns of those bytes, a two-byte
// character included. Going over a chunk without its lines leaves what making them leaves.
#include "ByteRows.h"
#include "Chunks.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  ByteRows rows;
  Big5Reader skipped;
  for (const QByteArray &chunk : Chunks(data, size)) {
    const QStringList lines = rows.lines(chunk);
    skipped.skipChunk(chunk);
    if (skipped.lead() != rows.reader().lead() || lines.size() != ByteRows::lineCount(chunk.size()))
      std::abort();
    const qsizetype perLine = ByteRows::kBytesPerLine;
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
