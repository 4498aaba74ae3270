// Bytes as the line monitor shows them: sixteen to a line, hex above and their Big5 reading
// below, each byte in a cell of four columns. A control byte reads in caret form (^M), a
// space as SP, a two-byte character stands under its own two bytes (under the second when a
// line end parts them, the first then marked ".."), an invalid or lone lead byte as "??".
#pragma once

#include "Big5.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class ByteRows {
public:
  static constexpr int kBytesPerLine = 16;
  static constexpr int kCellColumns = 4;

  // lead: a lead byte that the direction's previous chunk ended with, or -1.
  explicit ByteRows(int lead = -1) { reader_.setLead(lead); }

  // The lines, hex and reading in turn, of one chunk of a direction. A lead byte that ends
  // the chunk is read with the trail byte that starts the next one.
  QStringList lines(const QByteArray &bytes);
  // The reader, with the lead byte the last chunk left waiting for its trail.
  const Big5Reader &reader() const { return reader_; }
  // The lines a chunk of this many bytes takes below its row's heading.
  static int lineCount(qsizetype bytes) {
    return int(2 * ((bytes + kBytesPerLine - 1) / kBytesPerLine));
  }

  // The columns a text takes in a fixed-width font, a Chinese character counting two.
  static int columns(const QString &text);

private:
  Big5Reader reader_;
};
