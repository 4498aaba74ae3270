// The Results view: a unit's history by its serial number, typed or scanned, each run with
// its verdict, station, device and sequence, the step that failed and why, and its steps;
// where results go, which the operator may change; and how many records wait for the
// server. It follows the store: a run stored for the unit shown is shown at once.
#pragma once

#include "ResultsKeeper.h"

#include <QWidget>

QT_BEGIN_NAMESPACE
class QLabel;
class QLineEdit;
class QTabWidget;
class QTreeWidget;
QT_END_NAMESPACE

class TYieldView;

class TResultsWindow : public QWidget {
  Q_OBJECT
public:
  // save: keeps the store the operator chose for later runs (false when it could not).
  TResultsWindow(TResultsKeeper *keeper, std::function<bool(const QString &)> save,
                 QWidget *parent = nullptr);

  // Shows the history of the unit with this serial number.
  void find(const QString &serial);
  QTabWidget *tabs() const { return tabs_; }
  TYieldView *yieldView() const { return yield_; }

private:
  void showStatus(const QString &status);
  void useStore();

  TResultsKeeper *keeper_;
  std::function<bool(const QString &)> save_;
  QString serial_;
  QLineEdit *serialEdit_;
  QLineEdit *whereEdit_;
  QTabWidget *tabs_;
  QTreeWidget *runs_;
  TYieldView *yield_;
  bool yieldShown_ = false;
  QLabel *status_;
};
