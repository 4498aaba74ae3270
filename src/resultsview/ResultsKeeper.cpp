#include "ResultsKeeper.h"

#include "Delivery.h"

#include <QMetaObject>

TResultsKeeper::TResultsKeeper(const QString &where, QObject *parent) : QObject(parent) {
  thread_.setObjectName(QStringLiteral("results delivery"));
  thread_.start();
  timer_.setInterval(kDeliveryInterval);
  connect(&timer_, &QTimer::timeout, this, &TResultsKeeper::deliver);
  use(where);
}

TResultsKeeper::~TResultsKeeper() {
  thread_.quit();
  thread_.wait();
}

bool TResultsKeeper::use(const QString &where) {
  QString why;
  const std::optional<ResultsTarget> target = ParseResultsTarget(ResultsWhere(where), &why);
  auto next = std::make_unique<ResultStore>();
  if (!target || !next->open(*target)) {
    problem_ = target ? next->problem() : why;
    tell(0, problem_);
    return false;
  }
  store_ = std::move(next);
  where_ = where;
  problem_.clear();
  timer_.stop();
  if (target->kind == ResultsTarget::Postgres) {
    timer_.start();
    deliver();
  }
  tell(store_->waitingRuns(), store_->waitingProblem());
  return true;
}

bool TResultsKeeper::keepRun(const RunRecord &record) {
  if (!store_) {
    problem_ = problem_.isEmpty() ? tr("no store") : problem_;
    return false;
  }
  if (!store_->storeRun(record)) {
    problem_ = store_->problem();
    tell(0, problem_);
    return false;
  }
  problem_.clear();
  emit stored(record);
  if (store_->target().kind == ResultsTarget::Postgres)
    deliver();
  else
    tell(0, {});
  return true;
}

void TResultsKeeper::deliver() {
  if (delivering_ || !store_)
    return;
  delivering_ = true;
  const ResultsTarget target = store_->target();
  // Its own connections, on its own thread: a server that does not answer holds up nothing.
  auto *worker = new QObject;
  worker->moveToThread(&thread_);
  QMetaObject::invokeMethod(worker, [this, worker, target] {
    const DeliveryOutcome outcome = DeliverWaiting(target, std::numeric_limits<int>::max());
    worker->deleteLater();
    QMetaObject::invokeMethod(this, [this, outcome] {
      delivering_ = false;
      tell(outcome.waiting, outcome.problem);
    });
  });
}

void TResultsKeeper::tell(int waiting, const QString &why) {
  QString status;
  if (!problem_.isEmpty())
    status = tr("NOT STORING: %1").arg(problem_);
  else if (waiting > 0)
    status = tr("Results go to %1; %n record(s) wait: %2", nullptr, waiting)
                 .arg(store_->target().name(), why);
  else if (store_)
    status = tr("Results go to %1").arg(store_->target().name());
  if (status == status_)
    return;
  status_ = status;
  emit statusChanged(status);
}
