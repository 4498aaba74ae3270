// Choosing the device behind each port item: the right-click menu on the port group and on
// each item (the ports present, another device by name, the default), and each item's
// tooltip, which names its device, what the system knows of it and where the choice came
// from. The choice itself is kept by the port session's bindings, which it reads on open.
#pragma once

#include "PortBinding.h"

#include <QObject>

QT_BEGIN_NAMESPACE
class QButtonGroup;
class QMenu;
class QPoint;
class QWidget;
QT_END_NAMESPACE

class TPortMenu : public QObject {
  Q_OBJECT
public:
  // group holds the items; bindings are the session's.
  TPortMenu(QWidget *group, QButtonGroup *items, PortBindings *bindings);

  PortBinding binding(int item) const { return bindings_->binding(item); }
  // The choices offered for one item; the one in force is checked.
  void fill(QMenu *menu, int item);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void popUp(QWidget *source, const QPoint &pos);
  void updateTooltips();

  QWidget *group_;
  QButtonGroup *items_;
  PortBindings *bindings_;
};
