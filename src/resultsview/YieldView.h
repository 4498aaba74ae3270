// The Results view's Yield tab: the yield's figures over a span, narrowed by sequence,
// station and device, with its charts drawn by the same code as the page (Charts.h). It
// follows the store: a run stored in the span adds to the figures at once, without the
// store being read again.
#pragma once

#include "Canvas.h"
#include "ResultsKeeper.h"
#include "Yield.h"

#include <QWidget>

#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;
QT_END_NAMESPACE

// A chart drawn onto the widget by a drawing of Charts.h.
class TChartView : public QWidget {
  Q_OBJECT
public:
  using Draw = std::function<void(ChartCanvas &, QSizeF)>;
  explicit TChartView(Draw draw, QWidget *parent = nullptr);
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  Draw draw_;
};

class TYieldView : public QWidget {
  Q_OBJECT
public:
  explicit TYieldView(TResultsKeeper *keeper, QWidget *parent = nullptr);

  // Reads the store for the span and filters as they are set, and shows the figures.
  void showFigures();
  const YieldFigures &figures() const { return *figures_; }

private:
  void present(YieldFigures figures);
  void addRun(const RunRecord &record);

  TResultsKeeper *keeper_;
  std::unique_ptr<YieldTally> tally_;
  std::shared_ptr<const YieldFigures> figures_ = std::make_shared<const YieldFigures>();
  QDateTimeEdit *since_;
  QDateTimeEdit *until_;
  QLineEdit *sequence_;
  QLineEdit *station_;
  QLineEdit *device_;
  QLabel *status_;
  QScrollArea *scroll_;
};
