// The receive box's text as compact as it can be kept for a day of streaming. The text is a
// run of paragraphs: a line of up to kLongestParagraph characters, a longer line going on in
// paragraphs that continue it. Paragraphs lie in chunks of about 60,000 characters, each
// kept as Latin-1 while every character fits in a byte, as UTF-16 once one does not, and
// deflated once full. A paragraph costs four bytes of index besides its text: there is no
// object per line. Positions count the characters of text(), a line break as one.
//
// Each paragraph also keeps how many rows it took when last laid out (0 when it has not
// been: it then counts as one), so that a view can turn a scroll position into a paragraph
// without laying out what it does not show.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class TextStore {
public:
  static constexpr int kLongestParagraph = 4096;

  TextStore();
  ~TextStore();
  TextStore(const TextStore &) = delete;
  TextStore &operator=(const TextStore &) = delete;

  qint64 size() const { return size_; }
  qint64 paragraphCount() const { return paragraphs_; }
  qint64 rowCount() const { return rows_; }

  // The paragraph a position lies in: the last one that starts at or before it.
  qint64 paragraphAt(qint64 position) const;
  qint64 paragraphStart(qint64 paragraph) const;
  int paragraphLength(qint64 paragraph) const;
  QString paragraphText(qint64 paragraph) const;
  // Whether the paragraph goes on from the one before, with no line break between them.
  bool continues(qint64 paragraph) const;

  // Rows of a paragraph as last laid out, at least 1; setRows(p, 0) forgets them.
  int rows(qint64 paragraph) const;
  void setRows(qint64 paragraph, int rows);
  void forgetRows();
  // The row the paragraph starts at, and the paragraph a row lies in.
  qint64 rowOf(qint64 paragraph) const;
  qint64 paragraphAtRow(qint64 row) const;

  // The text between two positions, a line break as '\n'.
  QString text(qint64 from, qint64 to) const;
  QString text() const { return between(0, size_); }
  // Text at a position ('\n' breaks a line; '\r' is the caller's to turn into one).
  void insertText(qint64 position, QStringView text);
  void appendText(QStringView text) { insertText(size_, text); }
  void removeText(qint64 from, qint64 to);
  void clear();

  // Bytes the store holds, for the benchmark's figures.
  qint64 bytesHeld() const;

private:
  struct Chunk;
  struct Paragraph {
    QString text;
    bool continues = false;
  };
  void restart();
  QString between(qint64 from, qint64 to) const;
  int chunkOfParagraph(qint64 paragraph) const;
  int chunkOfPosition(qint64 position) const;
  int chunkOfRow(qint64 row) const;
  // Replaces paragraphs first..last (inclusive, and any chunk they share) with the text
  // given, split again into paragraphs; the first goes on from the one before if asked.
  void replaceParagraphs(qint64 first, qint64 last, const QString &text, bool firstContinues);
  void appendFast(QStringView text);
  void startParagraph(bool continues);
  // Recounts where each chunk starts, from chunk `from` on.
  void recount(int from);
  // The chunk with its text readable, inflated if it was deflated.
  const Chunk &readable(int chunk) const;
  // Deflates a full chunk, if that makes it smaller.
  static void deflate(Chunk &chunk);

  std::vector<std::unique_ptr<Chunk>> chunks_;
  // Where each chunk starts: its first position, paragraph and row.
  std::vector<qint64> chunkPosition_, chunkParagraph_, chunkRow_;
  qint64 size_ = 0, paragraphs_ = 0, rows_ = 0;
  mutable std::vector<const Chunk *> inflated_;
};
