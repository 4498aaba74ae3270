// Device bytes to the receive box. The input's first byte says into how many chunks the
// rest is cut, and the next bytes where. Whatever the cut, the box must hold exactly what
// the bytes decode to in one piece, and every CR, LF or CR LF must make one line break.
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
  if (size == 0)
    return 0;
  const int cuts = data[0] % 8;
  if (size < size_t(1 + cuts))
    return 0;
  const QByteArray bytes(reinterpret_cast<const char *>(data) + 1 + cuts,
                         qsizetype(size - 1 - cuts));

  TReceiveMemo memo;
  ReceiveText split;
  qsizetype at = 0;
  for (int i = 0; i <= cuts; ++i) {
    const qsizetype end = i < cuts ? qMin(bytes.size(), at + data[1 + i]) : bytes.size();
    memo.appendText(split.feed(bytes.mid(at, end - at)));
    at = end;
  }
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
