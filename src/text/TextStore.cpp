#include "TextStore.h"

#include <QList>

#include <algorithm>

namespace {
// A chunk takes no new paragraph past these: its paragraph ends fit in 16 bits, and finding
// a place in it reads no more than a few thousand entries.
constexpr int kChunkText = 61440;
constexpr int kChunkParagraphs = 4096;
// Deflated chunks read lately, kept readable: a view reads one or two at a time.
constexpr size_t kInflatedChunks = 4;

bool FitsLatin1(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}
} // namespace

struct TextStore::Chunk {
  // The paragraphs' text one after another, without breaks; as deflated bytes once full
  // (then also readable while inflated_ lists it).
  mutable QByteArray latin;
  mutable QString wide;
  bool isWide = false;
  QByteArray deflated;
  std::vector<quint16> ends;
  std::vector<quint16> rows;
  std::vector<bool> continuation;
  qint64 positions = 0; // its characters and the breaks before its paragraphs
  qint64 rowTotal = 0;

  int textLength() const { return ends.empty() ? 0 : ends.back(); }
  int offsetOf(size_t k) const { return k == 0 ? 0 : ends[k - 1]; }
  QString piece(int from, int length) const {
    return isWide ? wide.mid(from, length) : QString::fromLatin1(latin.mid(from, length));
  }
  void extend(QStringView text) {
    if (!isWide && !FitsLatin1(text)) {
      wide = QString::fromLatin1(latin);
      latin = QByteArray();
      isWide = true;
    }
    if (isWide)
      wide += text;
    else
      latin += text.toLatin1();
  }
  // Where a position inside the chunk falls: paragraph k, and the offset in it.
  std::pair<size_t, int> locate(qint64 position) const {
    qint64 at = 0;
    for (size_t k = 0; k < ends.size(); ++k) {
      if (!continuation[k])
        ++at;
      const int length = ends[k] - offsetOf(k);
      const bool last = k + 1 == ends.size();
      // A position at a paragraph's end belongs to it when a break or nothing follows.
      if (position <= at + length && (last || position < at + length || !continuation[k + 1]))
        return {k, int(position - at)};
      at += length;
    }
    return {ends.size() - 1, 0};
  }
  qint64 positionOf(size_t k) const {
    qint64 at = offsetOf(k);
    for (size_t i = 0; i <= k; ++i)
      at += continuation[i] ? 0 : 1;
    return at;
  }
};

TextStore::TextStore() { restart(); }
TextStore::~TextStore() = default;

void TextStore::clear() { restart(); }

void TextStore::restart() {
  chunks_.clear();
  chunks_.push_back(std::make_unique<Chunk>());
  chunkPosition_.assign(1, 0);
  chunkParagraph_.assign(1, 0);
  chunkRow_.assign(1, 0);
  size_ = paragraphs_ = rows_ = 0;
  inflated_.clear();
  startParagraph(true);
}

int TextStore::chunkOfParagraph(qint64 paragraph) const {
  const auto it = std::upper_bound(chunkParagraph_.begin(), chunkParagraph_.end(), paragraph);
  return int(it - chunkParagraph_.begin()) - 1;
}

int TextStore::chunkOfRow(qint64 row) const {
  const auto it = std::upper_bound(chunkRow_.begin(), chunkRow_.end(), row);
  return std::max(0, int(it - chunkRow_.begin()) - 1);
}

int TextStore::chunkOfPosition(qint64 position) const {
  // A position at a chunk's start is the break before its first paragraph, if it has
  // one: that belongs to the paragraph before, as everywhere.
  auto it = std::upper_bound(chunkPosition_.begin(), chunkPosition_.end(), position);
  int c = std::max(0, int(it - chunkPosition_.begin()) - 1);
  if (c > 0 && position == chunkPosition_[size_t(c)] && !chunks_[size_t(c)]->continuation[0])
    --c;
  return c;
}

const TextStore::Chunk &TextStore::readable(int c) const {
  const Chunk &chunk = *chunks_[size_t(c)];
  if (chunk.deflated.isEmpty() || chunk.latin.size() + chunk.wide.size() > 0 ||
      chunk.textLength() == 0)
    return chunk;
  const QByteArray bytes = qUncompress(chunk.deflated);
  if (chunk.isWide)
    chunk.wide = QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
  else
    chunk.latin = bytes;
  inflated_.push_back(&chunk);
  if (inflated_.size() > kInflatedChunks) {
    const Chunk *oldest = inflated_.front();
    inflated_.erase(inflated_.begin());
    oldest->latin = QByteArray();
    oldest->wide = QString();
  }
  return chunk;
}

void TextStore::deflate(Chunk &chunk) {
  const QByteArray bytes =
      chunk.isWide
          ? QByteArray(reinterpret_cast<const char *>(chunk.wide.utf16()), chunk.wide.size() * 2)
          : chunk.latin;
  // The fastest level: a full chunk is deflated in well under a millisecond.
  QByteArray deflated = qCompress(bytes, 1);
  if (deflated.size() >= bytes.size()) {
    chunk.latin.squeeze();
    chunk.wide.squeeze();
    return;
  }
  // qCompress leaves room for the worst case.
  deflated.squeeze();
  chunk.deflated = std::move(deflated);
  chunk.latin = QByteArray();
  chunk.wide = QString();
}

qint64 TextStore::paragraphAt(qint64 position) const {
  position = std::clamp<qint64>(position, 0, size_);
  const int c = chunkOfPosition(position);
  const Chunk &chunk = *chunks_[size_t(c)];
  return chunkParagraph_[size_t(c)] +
         qint64(chunk.locate(position - chunkPosition_[size_t(c)]).first);
}

qint64 TextStore::paragraphStart(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  const size_t k = size_t(paragraph - chunkParagraph_[size_t(c)]);
  return chunkPosition_[size_t(c)] + chunks_[size_t(c)]->positionOf(k);
}

int TextStore::paragraphLength(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  const Chunk &chunk = *chunks_[size_t(c)];
  const size_t k = size_t(paragraph - chunkParagraph_[size_t(c)]);
  return chunk.ends[k] - chunk.offsetOf(k);
}

QString TextStore::paragraphText(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  const Chunk &chunk = readable(c);
  const size_t k = size_t(paragraph - chunkParagraph_[size_t(c)]);
  return chunk.piece(chunk.offsetOf(k), chunk.ends[k] - chunk.offsetOf(k));
}

bool TextStore::continues(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  return chunks_[size_t(c)]->continuation[size_t(paragraph - chunkParagraph_[size_t(c)])];
}

int TextStore::rows(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  return std::max<int>(1, chunks_[size_t(c)]->rows[size_t(paragraph - chunkParagraph_[size_t(c)])]);
}

void TextStore::setRows(qint64 paragraph, int rows) {
  const int c = chunkOfParagraph(paragraph);
  Chunk &chunk = *chunks_[size_t(c)];
  quint16 &kept = chunk.rows[size_t(paragraph - chunkParagraph_[size_t(c)])];
  const int before = std::max<int>(1, kept);
  kept = quint16(std::clamp(rows, 0, 0xFFFF));
  const int diff = std::max<int>(1, kept) - before;
  if (diff == 0)
    return;
  chunk.rowTotal += diff;
  rows_ += diff;
  for (size_t i = size_t(c) + 1; i < chunks_.size(); ++i)
    chunkRow_[i] += diff;
}

void TextStore::forgetRows() {
  for (auto &chunk : chunks_) {
    chunk->rows.assign(chunk->rows.size(), 0);
    chunk->rowTotal = qint64(chunk->rows.size());
  }
  recount(0);
}

qint64 TextStore::rowOf(qint64 paragraph) const {
  const int c = chunkOfParagraph(paragraph);
  const Chunk &chunk = *chunks_[size_t(c)];
  qint64 row = chunkRow_[size_t(c)];
  for (size_t k = 0; k < size_t(paragraph - chunkParagraph_[size_t(c)]); ++k)
    row += std::max<int>(1, chunk.rows[k]);
  return row;
}

qint64 TextStore::paragraphAtRow(qint64 row) const {
  const int c = chunkOfRow(row);
  const Chunk &chunk = *chunks_[size_t(c)];
  qint64 at = chunkRow_[size_t(c)];
  for (size_t k = 0; k < chunk.rows.size(); ++k) {
    at += std::max<int>(1, chunk.rows[k]);
    if (row < at)
      return chunkParagraph_[size_t(c)] + qint64(k);
  }
  return chunkParagraph_[size_t(c)] + qint64(chunk.rows.size()) - 1;
}

QString TextStore::text(qint64 from, qint64 to) const { return between(from, to); }

QString TextStore::between(qint64 from, qint64 to) const {
  from = std::clamp<qint64>(from, 0, size_);
  to = std::clamp<qint64>(to, from, size_);
  QString text;
  text.reserve(to - from);
  for (int c = chunkOfPosition(from); c < int(chunks_.size()) && chunkPosition_[size_t(c)] < to;
       ++c) {
    const Chunk &chunk = readable(c);
    qint64 at = chunkPosition_[size_t(c)];
    for (size_t k = 0; k < chunk.ends.size() && at < to; ++k) {
      if (!chunk.continuation[k]) {
        if (at >= from)
          text += QLatin1Char('\n');
        ++at;
      }
      const int length = chunk.ends[k] - chunk.offsetOf(k);
      const qint64 a = std::max(at, from), b = std::min(at + length, to);
      if (a < b)
        text += chunk.piece(chunk.offsetOf(k) + int(a - at), int(b - a));
      at += length;
    }
  }
  return text;
}

void TextStore::startParagraph(bool continues) {
  Chunk *chunk = chunks_.back().get();
  if (chunk->textLength() >= kChunkText || chunk->ends.size() >= kChunkParagraphs) {
    deflate(*chunk);
    chunkPosition_.push_back(chunkPosition_.back() + chunk->positions);
    chunkParagraph_.push_back(chunkParagraph_.back() + qint64(chunk->ends.size()));
    chunkRow_.push_back(chunkRow_.back() + chunk->rowTotal);
    chunks_.push_back(std::make_unique<Chunk>());
    chunk = chunks_.back().get();
  }
  chunk->ends.push_back(quint16(chunk->textLength()));
  chunk->rows.push_back(0);
  chunk->continuation.push_back(continues);
  chunk->rowTotal += 1;
  ++rows_;
  ++paragraphs_;
  if (!continues) {
    ++chunk->positions;
    ++size_;
  }
}

void TextStore::appendFast(QStringView text) {
  qsizetype lineStart = 0;
  while (lineStart <= text.size()) {
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
    if (lineEnd < 0)
      lineEnd = text.size();
    QStringView rest = text.mid(lineStart, lineEnd - lineStart);
    while (!rest.isEmpty()) {
      Chunk &chunk = *chunks_.back();
      const int room =
          kLongestParagraph - (chunk.ends.back() - chunk.offsetOf(chunk.ends.size() - 1));
      if (room <= 0) {
        startParagraph(true);
        continue;
      }
      const QStringView part = rest.left(room);
      chunk.extend(part);
      chunk.ends.back() = quint16(chunk.ends.back() + part.size());
      chunk.positions += part.size();
      size_ += part.size();
      // Its rows are no longer known: the view lays out the paragraph it changed.
      setRows(paragraphs_ - 1, 0);
      rest = rest.mid(part.size());
    }
    if (lineEnd < text.size())
      startParagraph(false);
    lineStart = lineEnd + 1;
  }
}

void TextStore::insertText(qint64 position, QStringView text) {
  if (text.isEmpty())
    return;
  position = std::clamp<qint64>(position, 0, size_);
  if (position == size_ && chunks_.back()->deflated.isEmpty()) {
    appendFast(text);
    return;
  }
  const qint64 p = paragraphAt(position);
  const QString old = paragraphText(p);
  const int offset = int(position - paragraphStart(p));
  replaceParagraphs(p, p, old.left(offset) + text.toString() + old.mid(offset), continues(p));
}

void TextStore::removeText(qint64 from, qint64 to) {
  from = std::clamp<qint64>(from, 0, size_);
  to = std::clamp<qint64>(to, from, size_);
  if (from == to)
    return;
  const qint64 first = paragraphAt(from), last = paragraphAt(to);
  const qint64 end = paragraphStart(last) + paragraphLength(last);
  replaceParagraphs(first, last, between(paragraphStart(first), from) + between(to, end),
                    continues(first));
}

void TextStore::replaceParagraphs(qint64 first, qint64 last, const QString &text,
                                  bool firstContinues) {
  const int ca = chunkOfParagraph(first), cb = chunkOfParagraph(last);
  struct Entry {
    QString text;
    bool continues;
    int rows;
  };
  std::vector<Entry> entries;
  auto unpack = [&](int c, size_t from, size_t to) {
    const Chunk &chunk = readable(c);
    for (size_t k = from; k < to; ++k)
      entries.push_back({chunk.piece(chunk.offsetOf(k), chunk.ends[k] - chunk.offsetOf(k)),
                         bool(chunk.continuation[k]), chunk.rows[k]});
  };
  unpack(ca, 0, size_t(first - chunkParagraph_[size_t(ca)]));
  bool continues = firstContinues;
  for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
    do {
      entries.push_back({line.left(kLongestParagraph).toString(), continues, 0});
      line = line.mid(std::min<qsizetype>(line.size(), kLongestParagraph));
      continues = true;
    } while (!line.isEmpty());
    continues = false;
  }
  unpack(cb, size_t(last - chunkParagraph_[size_t(cb)] + 1), chunks_[size_t(cb)]->ends.size());
  if (ca == 0 && !entries.empty())
    entries.front().continues = true;

  std::vector<std::unique_ptr<Chunk>> made;
  for (const Entry &entry : entries) {
    if (made.empty() || made.back()->textLength() >= kChunkText ||
        made.back()->ends.size() >= kChunkParagraphs)
      made.push_back(std::make_unique<Chunk>());
    Chunk &chunk = *made.back();
    chunk.extend(entry.text);
    chunk.ends.push_back(quint16(chunk.textLength() + entry.text.size()));
    chunk.rows.push_back(quint16(entry.rows));
    chunk.continuation.push_back(entry.continues);
    chunk.positions += entry.text.size() + (entry.continues ? 0 : 1);
    chunk.rowTotal += std::max(1, entry.rows);
  }
  const bool atEnd = cb + 1 == int(chunks_.size());
  for (size_t i = 0; i < made.size(); ++i)
    if (!(atEnd && i + 1 == made.size()))
      deflate(*made[i]);
  inflated_.clear();
  for (auto &chunk : chunks_)
    if (!chunk->deflated.isEmpty()) {
      chunk->latin = QByteArray();
      chunk->wide = QString();
    }
  chunks_.erase(chunks_.begin() + ca, chunks_.begin() + cb + 1);
  chunks_.insert(chunks_.begin() + ca, std::make_move_iterator(made.begin()),
                 std::make_move_iterator(made.end()));
  recount(ca);
}

void TextStore::recount(int from) {
  const size_t n = chunks_.size();
  chunkPosition_.resize(n);
  chunkParagraph_.resize(n);
  chunkRow_.resize(n);
  for (size_t c = size_t(std::max(from, 1)); c < n; ++c) {
    const Chunk &before = *chunks_[c - 1];
    chunkPosition_[c] = chunkPosition_[c - 1] + before.positions;
    chunkParagraph_[c] = chunkParagraph_[c - 1] + qint64(before.ends.size());
    chunkRow_[c] = chunkRow_[c - 1] + before.rowTotal;
  }
  const Chunk &lastChunk = *chunks_.back();
  size_ = chunkPosition_.back() + lastChunk.positions;
  paragraphs_ = chunkParagraph_.back() + qint64(lastChunk.ends.size());
  rows_ = chunkRow_.back() + lastChunk.rowTotal;
}

qint64 TextStore::bytesHeld() const {
  qint64 bytes = 0;
  for (const auto &chunk : chunks_)
    bytes += qint64(sizeof(Chunk)) + chunk->latin.capacity() + chunk->wide.capacity() * 2 +
             chunk->deflated.capacity() + qint64(chunk->ends.capacity() * 4) +
             qint64(chunk->continuation.capacity() / 8);
  return bytes + qint64(chunkPosition_.capacity() * 24);
}
