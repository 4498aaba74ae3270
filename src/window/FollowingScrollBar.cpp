#include "FollowingScrollBar.h"

#include <QStyleOptionSlider>

#include <utility>

void TFollowingScrollBar::sliderChange(SliderChange) {
  if (std::exchange(changing_, true))
    return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        changing_ = false;
        if (look() != drawn_)
          update();
      },
      Qt::QueuedConnection);
}

void TFollowingScrollBar::paintEvent(QPaintEvent *event) {
  drawn_ = look();
  QScrollBar::paintEvent(event);
}

TFollowingScrollBar::Look TFollowingScrollBar::look() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
          value() == minimum(), value() == maximum()};
}
