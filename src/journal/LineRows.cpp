#include "LineRows.h"

#include <algorithm>

TLineRows::TLineRows(QObject *parent) : QAbstractListModel(parent) {}

void TLineRows::add(const LineRow &row) {
  rows_.push_back(row);
  rowStart_.push_back(endLine_);
  endLine_ += row.lineCount();
  while (endLine_ - rowStart_.front() > kKeptLines && rows_.size() > 1) {
    rows_.pop_front();
    rowStart_.pop_front();
    ++droppedRows_;
  }
}

QString TLineRows::text() const {
  QStringList texts;
  for (const LineRow &row : rows_)
    texts << row.text();
  return texts.join(QLatin1Char('\n'));
}

int TLineRows::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : int(count_);
}

QVariant TLineRows::data(const QModelIndex &index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid())
    return {};
  return lineText(first_ + index.row());
}

void TLineRows::catchUp() {
  const qint64 kept = rowStart_.empty() ? endLine_ : rowStart_.front();
  const qint64 gone = qMin(kept - first_, count_);
  if (gone > 0) {
    beginRemoveRows({}, 0, int(gone - 1));
    first_ += gone;
    count_ -= gone;
    endRemoveRows();
  }
  if (count_ == 0)
    first_ = kept;
  if (endLine_ > first_ + count_) {
    beginInsertRows({}, int(count_), int(endLine_ - first_ - 1));
    count_ = endLine_ - first_;
    endInsertRows();
  }
}

void TLineRows::unlist() {
  beginResetModel();
  first_ += count_;
  count_ = 0;
  cache_.clear();
  endResetModel();
}

QString TLineRows::lineText(qint64 line) const {
  if (rowStart_.empty() || line < rowStart_.front() || line >= endLine_)
    return {};
  const auto at = std::upper_bound(rowStart_.begin(), rowStart_.end(), line) - 1;
  const qint64 start = *at;
  for (const auto &[cachedStart, lines] : cache_)
    if (cachedStart == start)
      return lines.value(int(line - start));
  constexpr size_t kCachedRows = 64;
  if (cache_.size() >= kCachedRows)
    cache_.pop_front();
  cache_.emplace_back(start, rows_[size_t(at - rowStart_.begin())].text().split(QLatin1Char('\n')));
  return cache_.back().second.value(int(line - start));
}
