#include "PortMenu.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QInputDialog>
#include <QMenu>

TPortMenu::TPortMenu(QWidget *group, QButtonGroup *items, PortBindings *bindings)
    : QObject(group), group_(group), items_(items), bindings_(bindings) {
  // Right-click on the group or an item chooses the device behind an item.
  QList<QWidget *> targets{group};
  for (QAbstractButton *item : items->buttons())
    targets << item;
  for (QWidget *w : targets) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](const QPoint &pos) { popUp(w, pos); });
  }
  // Tooltips are brought up to date when shown: adapters come and go.
  for (QAbstractButton *item : items->buttons())
    item->installEventFilter(this);
  updateTooltips();
}

bool TPortMenu::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::ToolTip)
    updateTooltips();
  return QObject::eventFilter(watched, event);
}

void TPortMenu::fill(QMenu *menu, int item) {
  const PortBinding now = bindings_->binding(item);
  const bool isDefault = now.source == BindingSource::Default;
  auto choice = [this, menu, item](const QString &text, bool checked, auto act) {
    QAction *action = menu->addAction(text);
    action->setCheckable(true);
    action->setChecked(checked);
    connect(action, &QAction::triggered, this, [this, act] {
      act();
      updateTooltips();
    });
  };
  auto choose = [this, item](const QString &device) {
    return [=] { bindings_->choose(item, device); };
  };

  const QList<SerialPortEntry> ports = bindings_->listPorts();
  bool listed = false;
  for (const SerialPortEntry &e : ports) {
    const bool current = !isDefault && SameDevice(e.device, now.device);
    listed = listed || current;
    choice(DescribeEntry(e), current, choose(e.device));
  }
  if (ports.isEmpty())
    menu->addAction(tr("No serial ports found"))->setEnabled(false);
  if (!isDefault && !listed && !now.device.isEmpty())
    choice(tr("%1 (not present)").arg(now.device), true, choose(now.device));
  menu->addSeparator();
  const QString caption = items_->button(item)->text();
  choice(tr("Other device…"), false, [this, item, caption, now] {
    bool ok = false;
    const QString device =
        QInputDialog::getText(group_->window(), caption, tr("Device for %1:").arg(caption),
                              QLineEdit::Normal, now.device, &ok)
            .trimmed();
    if (ok && !device.isEmpty())
      bindings_->choose(item, device);
  });
  choice(tr("Default (%1)").arg(PortBindings::defaultDevice(item)), isDefault,
         [this, item] { bindings_->useDefault(item); });
}

void TPortMenu::popUp(QWidget *source, const QPoint &pos) {
  QMenu menu(group_->window());
  const int item = items_->id(qobject_cast<QAbstractButton *>(source));
  if (item >= 0) {
    fill(&menu, item);
  } else {
    for (QAbstractButton *button : items_->buttons())
      fill(menu.addMenu(button->text()), items_->id(button));
  }
  menu.addSeparator();
  QAction *reopen = menu.addAction(tr("Reopen when the device returns"));
  reopen->setCheckable(true);
  reopen->setChecked(bindings_->reopenWhenBack());
  connect(reopen, &QAction::toggled, this, [this](bool on) { bindings_->setReopenWhenBack(on); });
  menu.exec(source->mapToGlobal(pos));
}

void TPortMenu::updateTooltips() {
  const QList<SerialPortEntry> ports = bindings_->listPorts();
  for (QAbstractButton *button : items_->buttons()) {
    const int item = items_->id(button);
    const PortBinding b = bindings_->binding(item);
    // Named as bound (a by-id link, say), described as listed.
    QString device = tr("%1 (not present)").arg(b.device);
    if (const SerialPortEntry *e = FindEntry(ports, b.device)) {
      SerialPortEntry shown = *e;
      shown.device = b.device;
      device = DescribeEntry(shown);
    }
    QString from;
    switch (b.source) {
    case BindingSource::CommandLine:
      from = tr("Named on the command line (--com%1)").arg(item + 1);
      break;
    case BindingSource::Environment:
      from = tr("Named by GLOW_PANEL_COM%1").arg(item + 1);
      break;
    case BindingSource::Saved:
      from = tr("Saved choice");
      break;
    case BindingSource::Default:
      from = tr("Default");
      break;
    case BindingSource::Unknown:
      device = tr("unknown device");
      from = bindings_->problem();
      break;
    }
    button->setToolTip(
        tr("%1: %2\n%3; right-click to choose another device.").arg(button->text(), device, from));
  }
}
