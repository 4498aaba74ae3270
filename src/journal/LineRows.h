// The line monitor's rows: kept raw, the newest up to kKeptLines lines of text, with a count
// of the rows that went out at the top; and, for a view, the rows' lines as a list model
// that makes the text of only the lines asked for, a row at a time, keeping the last few
// rows made. The list is brought up to the rows only while it is listed (catchUp), so rows
// nobody looks at cost their bytes and nothing more.
#pragma once

#include "LineJournal.h"

#include <QAbstractListModel>

#include <deque>

class TLineRows : public QAbstractListModel {
  Q_OBJECT
public:
  // About a megabyte of rows at the most.
  static constexpr int kKeptLines = 100000;
  using Rows = std::deque<LineRow>;

  explicit TLineRows(QObject *parent = nullptr);

  void add(const LineRow &row);
  const Rows &rows() const { return rows_; }
  qint64 droppedRows() const { return droppedRows_; }
  // Every row kept, as the monitor shows it.
  QString text() const;

  // The list: the lines of the rows kept when it last caught up; empty when not listed.
  int rowCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  // Brings the list up to the rows: the lines dropped at the top out, new ones in.
  void catchUp();
  // Empties the list until the next catchUp.
  void unlist();

private:
  QString lineText(qint64 line) const;

  Rows rows_;
  // Beside each row, the number of its first line counted from the first row there ever
  // was, so that a line is found by a binary search.
  std::deque<qint64> rowStart_;
  qint64 endLine_ = 0;
  qint64 droppedRows_ = 0;
  // The lines listed: the first one's number, and how many.
  qint64 first_ = 0;
  qint64 count_ = 0;
  mutable std::deque<std::pair<qint64, QStringList>> cache_;
};
