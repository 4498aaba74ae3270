// Cuts a fuzz input into chunks, as reads would: its first byte says into how many (up to
// eight), the next bytes how long each but the last is; the rest is the data.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

inline QList<QByteArray> Chunks(const uint8_t *data, size_t size) {
  if (size == 0)
    return {};
  const int cuts = data[0] % 8;
  if (size < size_t(1 + cuts))
    return {};
  const QByteArray bytes(reinterpret_cast<const char *>(data) + 1 + cuts,
                         qsizetype(size - 1 - cuts));
  QList<QByteArray> chunks;
  qsizetype at = 0;
  for (int i = 0; i <= cuts; ++i) {
    const qsizetype end = i < cuts ? qMin(bytes.size(), at + data[1 + i]) : bytes.size();
    chunks << bytes.mid(at, end - at);
    at = end;
  }
  return chunks;
}
