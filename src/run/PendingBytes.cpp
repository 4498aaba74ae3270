#include "PendingBytes.h"

#include "Big5.h"
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
  qsizetype at = ends_.empty() ? 0 : ends_.back();
  while (at < bytes_.size()) {
    const uchar b = uchar(bytes_[at]);
    qsizetype length = 1;
    QChar c(QChar::ReplacementCharacter);
    if (b < 0x80) {
      c = QLatin1Char(char(b));
    } else if (IsBig5Lead(b)) {
      if (at + 1 >= bytes_.size())
        break;
      if (IsBig5Trail(uchar(bytes_[at + 1]))) {
        length = 2;
        const QString one = Big5Character(QByteArrayView(bytes_).sliced(at, 2));
        if (one.size() == 1)
          c = one[0];
      }
    }
    text_ += c;
    at += length;
    ends_.push_back(at);
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
