// The bytes a run has received and not yet consumed, with the arrival of each chunk: an
// expect finds its bytes here and takes the time of the chunk that completes them. A
// pattern looks at them read as Big5 text, made as the bytes come.
#pragma once

#include "Big5.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

class PendingBytes {
public:
  // Bytes that arrived at arrivalNs; later: where bytes that arrived later begin, and when.
  void add(const QByteArray &bytes, qint64 arrivalNs,
           const std::vector<std::pair<qsizetype, qint64>> &later = {});
  const QByteArray &bytes() const { return bytes_; }
  // The arrival of the chunk that holds the byte before end.
  qint64 arrivalOf(qsizetype end) const;
  // The arrival of the last chunk held.
  qint64 lastArrivalNs() const { return chunks_.empty() ? 0 : chunks_.back().second; }
  // Takes the first count bytes away.
  void consume(qsizetype count);
  // Forgets every chunk that arrived before this time.
  void dropBefore(qint64 ns);
  // Forgets the oldest chunks until at most this many bytes are left.
  void keepAtMost(qsizetype size);

  // The bytes read as Big5 text, but for a lead byte at the end still waiting for its trail;
  // a character with no code reads as U+FFFD.
  const QString &text();
  // How many bytes the first characters of text() take.
  qsizetype bytesOf(qsizetype characters) const;

private:
  QByteArray bytes_;
  // text() so far, and where each of its characters ends in bytes_.
  Big5Reader reader_;
  QString text_;
  std::vector<qsizetype> ends_;
  // Where each chunk ends in bytes_, and when it arrived.
  std::vector<std::pair<qsizetype, qint64>> chunks_;
};

// What arrived, as the line monitor shows bytes ("2 bytes arrived:" and the hex and Big5
// lines); a long tail is cut.
QString ArrivedText(const QByteArray &bytes);
