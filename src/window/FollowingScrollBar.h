// A scroll bar drawn again only when it would look different. Following a stream changes
// its range and value some thirty times a second, while its handle moves a pixel now and
// then; and drawing a scroll bar costs more than drawing the lines that moved it. The look
// is compared once the changes of one append are over: in between, the range has grown and
// the value not yet followed.
#pragma once

#include <QRect>
#include <QScrollBar>

class TFollowingScrollBar : public QScrollBar {
public:
  using QScrollBar::QScrollBar;

protected:
  void sliderChange(SliderChange change) override;
  void paintEvent(QPaintEvent *event) override;

private:
  // What the bar's pixels depend on besides its size, style and state.
  struct Look {
    QRect handle;
    bool atMinimum = false, atMaximum = false;
    bool operator!=(const Look &other) const {
      return handle != other.handle || atMinimum != other.atMinimum || atMaximum != other.atMaximum;
    }
  };
  Look look() const;

  Look drawn_;
  bool changing_ = false;
};
