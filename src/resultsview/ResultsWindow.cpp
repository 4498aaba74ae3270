#include "ResultsWindow.h"

#include "History.h"
#include "YieldView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { WhenColumn, VerdictColumn, StationColumn, DeviceColumn, SequenceColumn, WhyColumn };
} // namespace

TResultsWindow::TResultsWindow(TResultsKeeper *keeper, std::function<bool(const QString &)> save,
                               QWidget *parent)
    : QWidget(parent, Qt::Window), keeper_(keeper), save_(std::move(save)) {
  setWindowTitle(tr("Results - GLOW_PANEL"));
  resize(860, 640);
  serialEdit_ = new QLineEdit(this);
  serialEdit_->setObjectName(QStringLiteral("serial"));
  serialEdit_->setPlaceholderText(tr("Serial number, typed or scanned"));
  auto *find = new QPushButton(tr("Find"), this);
  whereEdit_ = new QLineEdit(keeper_->where(), this);
  whereEdit_->setObjectName(QStringLiteral("where"));
  whereEdit_->setPlaceholderText(keeper_->store() ? keeper_->store()->target().name() : QString());
  auto *use = new QPushButton(tr("Use"), this);
  runs_ = new QTreeWidget(this);
  runs_->setObjectName(QStringLiteral("runs"));
  runs_->setHeaderLabels({tr("When"), tr("Verdict"), tr("Station"), tr("Device"), tr("Sequence"),
                          tr("Failed step")});
  runs_->header()->setStretchLastSection(true);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto *unit = new QHBoxLayout;
  unit->addWidget(new QLabel(tr("Unit:"), this));
  unit->addWidget(serialEdit_, 1);
  unit->addWidget(find);
  auto *history = new QWidget(this);
  auto *historyLayout = new QVBoxLayout(history);
  historyLayout->addLayout(unit);
  historyLayout->addWidget(runs_, 1);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(history, tr("History"));
  yield_ = new TYieldView(keeper_, this);
  tabs_->addTab(yield_, tr("Yield"));
  // Read when first shown: a month of runs takes a moment.
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (tabs_->widget(index) == yield_ && !yieldShown_) {
      yieldShown_ = true;
      yield_->showFigures();
    }
  });
  auto *where = new QHBoxLayout;
  where->addWidget(new QLabel(tr("Results go to:"), this));
  where->addWidget(whereEdit_, 1);
  where->addWidget(use);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(where);
  layout->addWidget(status_);

  connect(serialEdit_, &QLineEdit::returnPressed, this, [this] { this->find(serialEdit_->text()); });
  connect(find, &QPushButton::clicked, this, [this] { this->find(serialEdit_->text()); });
  connect(whereEdit_, &QLineEdit::returnPressed, this, &TResultsWindow::useStore);
  connect(use, &QPushButton::clicked, this, &TResultsWindow::useStore);
  connect(keeper_, &TResultsKeeper::statusChanged, this, &TResultsWindow::showStatus);
  connect(keeper_, &TResultsKeeper::stored, this, [this](const RunRecord &record) {
    if (!serial_.isEmpty() && !record.passes.isEmpty() &&
        record.passes.last().variables.value(QStringLiteral("serial")) == serial_)
      this->find(serial_);
  });
  showStatus(keeper_->statusLine());
}

void TResultsWindow::find(const QString &serial) {
  serial_ = serial.trimmed();
  serialEdit_->setText(serial_);
  runs_->clear();
  if (serial_.isEmpty() || !keeper_->store())
    return;
  QString problem;
  const QList<StoredRun> runs =
      UnitHistory(keeper_->store()->database(), serial_, true, false, &problem);
  if (!problem.isEmpty())
    showStatus(problem);
  for (const StoredRun &run : runs) {
    auto *item = new QTreeWidgetItem(runs_);
    item->setText(WhenColumn, run.started);
    item->setText(VerdictColumn, run.verdict.isEmpty() ? tr("UNFINISHED") : run.verdict);
    item->setText(StationColumn, run.station);
    item->setText(DeviceColumn, run.device);
    item->setText(SequenceColumn, run.sequence);
    item->setText(WhyColumn, run.failedStep.isEmpty()
                                 ? run.reason
                                 : QStringLiteral("%1: %2").arg(run.failedStep, run.failedMessage));
    QStringList values;
    for (const auto &[name, value] : run.values)
      values << QStringLiteral("%1 = %2").arg(name, value);
    item->setToolTip(WhyColumn, values.join(QLatin1Char('\n')));
    for (const StoredStep &step : run.steps) {
      auto *child = new QTreeWidgetItem(item);
      child->setText(WhenColumn, step.file.isEmpty()
                                     ? QStringLiteral("line %1").arg(step.line)
                                     : QStringLiteral("%1:%2").arg(step.file).arg(step.line));
      child->setText(VerdictColumn, step.verdict);
      child->setText(StationColumn, QStringLiteral("%1 s").arg(double(step.ms) / 1000, 0, 'f', 3));
      if (step.replyMs >= 0)
        child->setText(DeviceColumn, tr("reply %1 ms").arg(step.replyMs));
      child->setText(SequenceColumn, step.text);
      child->setText(WhyColumn, step.message.section(QLatin1Char('\n'), 0, 0));
    }
  }
  for (int c = WhenColumn; c < WhyColumn; ++c)
    runs_->resizeColumnToContents(c);
  if (runs.isEmpty())
    showStatus(tr("No runs of %1 are stored.").arg(serial_));
}

void TResultsWindow::showStatus(const QString &status) { status_->setText(status); }

void TResultsWindow::useStore() {
  const QString where = whereEdit_->text().trimmed();
  if (!keeper_->use(where))
    return;
  if (save_ && !save_(where))
    showStatus(tr("%1 (this run only: the choice could not be saved)").arg(keeper_->statusLine()));
  if (!serial_.isEmpty())
    find(serial_);
}
