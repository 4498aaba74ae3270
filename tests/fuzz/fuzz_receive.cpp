// Device bytes to the receive box, cut into chunks by the input itself (Chunks.h). Whatever the
// cut, the box must hold exactly what the bytes decode to in one piece, and every CR, LF or CR LF
// must make one line break.
#include "Chunks.h"
#include "ReceiveMemo.h"
#include "ReceiveText.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QList<QByteArray> chunks = Chunks(data, size);
  const QByteArray bytes = chunks.join();
  TReceiveMemo memo;
  ReceiveText split;
  for (const QByteArray &chunk : chunks)
    memo.appendText(split.feed(chunk));
  const QString whole = ReceiveText().feed(bytes);
  if (memo.text() != whole)
    std::abort();

  // Breaks: CR LF, a lone CR, a lone LF, with zero bytes (which are dropped) ignored.
  QByteArray plain = bytes;
  plain.replace('\0', QByteArray());
  qsizetype breaks = 0;
  for (qsizetype i = 0; i < plain.size(); ++i)
    if (plain[i] == '\r' || (plain[i] == '\n' && (i == 0 || plain[i - 1] != '\r')))
      ++breaks;
  if (whole.count(QLatin1Char('\n')) != breaks)
    std::abort();
  return 0;
}
