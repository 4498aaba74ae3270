#include "LineMonitor.h"

#include "LineRecorder.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

TLineMonitor::TLineMonitor(QWidget *parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("Line monitor - GLOW_PANEL"));
  resize(720, 480);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("rows"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setMaximumBlockCount(kKeptLines);
  view_->document()->setUndoRedoEnabled(false);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("state"));
  auto *save = new QPushButton(tr("Save As…"), this);
  record_ = new QPushButton(this);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(state_, 1);
  buttons->addWidget(save);
  buttons->addWidget(record_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  layout->addLayout(buttons);

  pendingTimer_.setSingleShot(true);
  pendingTimer_.setInterval(kViewUpdate);
  connect(&pendingTimer_, &QTimer::timeout, this, &TLineMonitor::showPending);
  connect(save, &QPushButton::clicked, this, &TLineMonitor::saveAs);
  connect(record_, &QPushButton::clicked, this, &TLineMonitor::toggleRecording);
  connect(&TLineRecorder::instance(), &TLineRecorder::row, this, &TLineMonitor::addRow);
  connect(&TLineRecorder::instance(), &TLineRecorder::logFailed, this, [this] {
    showState();
    show();
    raise();
  });
  showState();
}

QString TLineMonitor::text() const {
  QStringList all{view_->toPlainText()};
  all += pendingRows_;
  all.removeAll(QString());
  return all.join(QLatin1Char('\n'));
}

void TLineMonitor::showEvent(QShowEvent *event) {
  showPending();
  QWidget::showEvent(event);
}

void TLineMonitor::showPending() {
  if (!pendingRows_.isEmpty())
    view_->appendPlainText(std::exchange(pendingRows_, QStringList()).join(QLatin1Char('\n')));
}

void TLineMonitor::addRow(const QString &row) {
  const int lines = int(row.count(QLatin1Char('\n'))) + 1;
  pendingRows_ << row;
  if (isVisible() && !pendingTimer_.isActive())
    pendingTimer_.start();
  rowLines_.push_back(lines);
  lines_ += lines;
  const qint64 before = droppedRows_;
  while (lines_ > kKeptLines && !rowLines_.empty()) {
    lines_ -= rowLines_.front();
    rowLines_.pop_front();
    ++droppedRows_;
    if (int(rowLines_.size()) < pendingRows_.size())
      pendingRows_.removeFirst();
  }
  if (droppedRows_ != before)
    showState();
}

bool TLineMonitor::recordTo(const QString &path) {
  const bool ok = TLineRecorder::instance().recordTo(path);
  showState();
  if (!ok)
    show();
  return ok;
}

void TLineMonitor::saveAs() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save the line monitor"));
  if (path.isEmpty())
    return;
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    file.write(text().toUtf8() + '\n');
    if (file.commit())
      return;
  }
  state_->setText(tr("Not saved: %1").arg(file.errorString()));
}

void TLineMonitor::toggleRecording() {
  if (TLineRecorder::instance().recording()) {
    TLineRecorder::instance().stopRecording();
    showState();
    return;
  }
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Record to file"), QString(), QString(), nullptr, QFileDialog::DontConfirmOverwrite);
  if (!path.isEmpty())
    recordTo(path);
}

void TLineMonitor::showState() {
  const TLineRecorder &recorder = TLineRecorder::instance();
  QStringList parts;
  if (recorder.recording())
    parts << tr("Recording to %1").arg(recorder.logPath());
  else if (!recorder.logError().isEmpty())
    parts << tr("NOT RECORDING, the file cannot be written: %1").arg(recorder.logError());
  if (droppedRows_ > 0)
    parts << tr("%n older row(s) no longer shown", nullptr,
                int(qMin<qint64>(droppedRows_, INT_MAX)));
  state_->setText(parts.join(QStringLiteral("; ")));
  record_->setText(recorder.recording() ? tr("Stop recording") : tr("Record to file…"));
  const bool failed = !recorder.recording() && !recorder.logError().isEmpty();
  setWindowTitle(failed ? tr("Line monitor - NOT RECORDING - GLOW_PANEL")
                        : tr("Line monitor - GLOW_PANEL"));
}
