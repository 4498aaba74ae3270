// A station's yield and measurements over a span, from its results store (or a server's):
// units tested (by the variable serial), runs and retests; first-pass yield (units whose
// first run in the span passed), final yield (units whose last run passed) and the yield of
// each attempt; what fails most, as a Pareto of the failing steps by the runs they failed;
// each value with limits (n, mean, standard deviation, min, max, how many outside, Cpk),
// kept apart for each pair of limits; and each expect's reply times. Nothing here divides
// by zero: a figure that cannot be had is none, and says why.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>

#include "RunRecord.h"

#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

struct YieldFilter {
  // The span: since, up to and not including until.
  QDateTime since;
  QDateTime until;
  // Empty for any.
  QString sequence;
  QString station;
  QString device;
};

struct AttemptYield {
  int attempt = 1;
  // Units that had this many runs, and of those, the ones whose run of this number passed.
  int units = 0;
  int passed = 0;
};

struct FailureRow {
  // "line 19: check temp between 20 and 40", "common.seq:7: expect "OK" within 500 ms".
  QString step;
  // A check's variable, or empty.
  QString variable;
  int runs = 0;
  // Of all failed runs, this one's and the running total's.
  double share = 0;
  double cumulative = 0;
};

struct ValueFigures {
  QString name;
  double low = 0;
  double high = 0;
  // The values that are numbers, and those that are not.
  int n = 0;
  int notNumbers = 0;
  double mean = 0;
  double min = 0;
  double max = 0;
  // None with fewer than two values.
  std::optional<double> sd;
  int outside = 0;
  // None with fewer than two values or all of them equal; noCpk then says which.
  std::optional<double> cpk;
  enum class NoCpk { Some, NoNumbers, OneValue, AllEqual } noCpk = NoCpk::Some;
  // Each value with the time it was taken (ms since 1970 UTC), oldest first.
  std::vector<std::pair<qint64, double>> points;
};

struct ReplyFigures {
  QString step;
  int n = 0;
  double median = 0;
  double p90 = 0;
  double worst = 0;
};

// A run that failed: which unit, when, at which step and why.
struct FailedRun {
  QString serial;
  QString started;
  QString step;
  QString message;
};

struct YieldFigures {
  YieldFilter filter;
  int runs = 0;
  int units = 0;
  // Runs without a serial number: counted as runs, and in no unit.
  int runsWithoutSerial = 0;
  // Runs of a unit after its first in the span.
  int retests = 0;
  int failedRuns = 0;
  int firstPassed = 0;
  int finalPassed = 0;
  QList<AttemptYield> attempts;
  QList<FailureRow> failures;
  QList<ValueFigures> values;
  // A value whose limits changed in the span: each pair is kept apart.
  QStringList limitsChanged;
  QList<ReplyFigures> replies;
  // The newest failed runs, newest first, up to kListedFailures.
  QList<FailedRun> latestFailures;
};

constexpr int kListedFailures = 50;

// What the figures are worked out from, kept so that a run stored later adds to them in a
// moment, without reading the store again.
class YieldTally {
public:
  explicit YieldTally(const YieldFilter &filter = {}) : filter_(filter) {}
  const YieldFilter &filter() const { return filter_; }
  // Reads the runs the filter takes. server: the database is a server's (its text comes
  // back escaped). False, with why, when the store cannot be read.
  bool read(QSqlDatabase db, bool server, QString *problem);
  // Adds a run as it was stored, if the filter takes it; false when it does not.
  bool add(const RunRecord &record);
  YieldFigures figures() const;

private:
  struct Values {
    QString name;
    double low = 0;
    double high = 0;
    int notNumbers = 0;
    std::vector<std::pair<qint64, double>> points;
  };
  // A step by where it stands and what it says, in the file's order.
  using Step = std::tuple<QString, int, QString>;
  void addRun(const QString &serial, const QString &verdict);
  void addFailure(const Step &step, int runs);
  void addValue(const QString &name, double low, double high, const QVariant &number, qint64 ms);
  void addReply(const Step &step, qint64 ms, qint64 count);

  YieldFilter filter_;
  int runs_ = 0;
  int runsWithoutSerial_ = 0;
  int failedRuns_ = 0;
  // Each unit's runs so far and whether its last passed.
  struct Unit {
    int runs = 0;
    bool lastPassed = false;
  };
  QHash<QString, Unit> units_;
  int retests_ = 0;
  int firstPassed_ = 0;
  int finalPassed_ = 0;
  QList<AttemptYield> attempts_;
  QMap<Step, int> failures_;
  QMap<std::tuple<QString, double, double>, Values> values_;
  // Each expect's reply times, as counts of each whole millisecond.
  QMap<Step, std::map<qint64, qint64>> replies_;
  QList<FailedRun> latest_;
};

// The figures of the runs the filter takes.
YieldFigures ComputeYield(QSqlDatabase db, bool server, const YieldFilter &filter,
                          QString *problem);
// Whether any run of this sequence is stored, in any span.
bool SequenceKnown(QSqlDatabase db, bool server, const QString &sequence);

// Why a value has no Cpk, in the operator's language; empty when it has one.
QString NoCpkText(ValueFigures::NoCpk why);
// A share as people read it: "97.3 %"; none as "n/a".
QString Percent(int part, int whole);
// A measured figure with three significant digits, at most as many decimals as it needs.
QString Figure(double value);
