#include "PendingBytes.h"

#include "ByteRows.h"

#include <QCoreApplication>

#include <algorithm>

void PendingBytes::add(const QByteArray &bytes, qint64 arrivalNs,
                       const std::vector<std::pair<qsizetype, qint64>> &later) {
  if (bytes.isEmpty())
    return;
  const qsizetype base = bytes_.size();
  bytes_ += bytes;
  for (const auto &[from, ns] : later) {
    if (from > 0 && from < bytes.size())
      chunks_.emplace_back(base + from, arrivalNs);
    arrivalNs = ns;
  }
  chunks_.emplace_back(bytes_.size(), arrivalNs);
}

qint64 PendingBytes::arrivalOf(qsizetype end) const {
  for (const auto &[chunkEnd, ns] : chunks_)
    if (chunkEnd >= end)
      return ns;
  return chunks_.empty() ? 0 : chunks_.back().second;
}

void PendingBytes::consume(qsizetype count) {
  count = qMin(count, bytes_.size());
  if (count <= 0)
    return;
  bytes_.remove(0, count);
  // Rare (at a match), and a cut may fall inside a character: the text is made again.
  text_.clear();
  ends_.clear();
  reader_.reset();
  chunks_.erase(std::remove_if(chunks_.begin(), chunks_.end(),
                               [count](const auto &c) { return c.first <= count; }),
                chunks_.end());
  for (auto &c : chunks_)
    c.first -= count;
}

void PendingBytes::dropBefore(qint64 ns) {
  qsizetype cut = 0;
  for (const auto &[end, arrival] : chunks_)
    if (arrival < ns)
      cut = end;
  consume(cut);
}

void PendingBytes::keepAtMost(qsizetype size) {
  qsizetype cut = 0;
  for (const auto &c : chunks_) {
    if (bytes_.size() - cut <= size)
      break;
    cut = c.first;
  }
  consume(cut);
}

const QString &PendingBytes::text() {
  // Read on from where the text ends; a lead byte at the end waits in the reader.
  const qsizetype at = ends_.empty() ? 0 : ends_.back();
  const qsizetype read = at + (reader_.lead() >= 0 ? 1 : 0);
  if (read < bytes_.size()) {
    std::vector<qsizetype> ends;
    text_ += reader_.readChunk(QByteArrayView(bytes_).sliced(read), &ends);
    for (const qsizetype end : ends)
      ends_.push_back(read + end);
  }
  return text_;
}

qsizetype PendingBytes::bytesOf(qsizetype characters) const {
  return characters <= 0 ? 0
                         : ends_[size_t(qMin<qsizetype>(characters, qsizetype(ends_.size())) - 1)];
}

QString ArrivedText(const QByteArray &bytes) {
  constexpr int kShown = 256;
  if (bytes.isEmpty())
    return QCoreApplication::translate("SequenceRunner", "nothing arrived");
  QString text =
      bytes.size() == 1
          ? QCoreApplication::translate("SequenceRunner", "1 byte arrived:")
          : QCoreApplication::translate("SequenceRunner", "%1 bytes arrived:").arg(bytes.size());
  if (bytes.size() > kShown)
    text += QLatin1Char(' ') +
            QCoreApplication::translate("SequenceRunner", "(the first %1 shown)").arg(kShown);
  for (const QString &line : ByteRows().lines(bytes.left(kShown)))
    text += QStringLiteral("\n  ") + line;
  return text;
}
