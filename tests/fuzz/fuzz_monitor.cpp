// The line monitor's rows, for chunks the input cuts itself into (Chunks.h). Every chunk's hex must
// give back its bytes, and its reading must stand within the columns of those bytes, a two-byte
// character included.
#include "Chunks.h"
#include "LineRecorder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  int lead = -1;
  for (const QByteArray &chunk : Chunks(data, size)) {
    const QStringList lines = TLineRecorder::ByteLines(chunk, &lead);
    const qsizetype perLine = TLineRecorder::kBytesPerLine;
    if (lines.size() != 2 * ((chunk.size() + perLine - 1) / perLine))
      std::abort();
    QByteArray hex;
    for (qsizetype l = 0; l < lines.size(); l += 2) {
      hex += QByteArray::fromHex(lines[l].toLatin1());
      const qsizetype inLine = qMin(perLine, chunk.size() - l / 2 * perLine);
      if (TLineRecorder::Columns(lines[l + 1]) > 4 + 4 * int(inLine))
        std::abort();
    }
    if (hex != chunk)
      std::abort();
  }
  return 0;
}
