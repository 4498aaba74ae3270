#include "StationBoard.h"

#include "Rack.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kTickMs = 100;

// Tiles started together open their ports in one pass of the event loop, and the system's
// list of ports (which an open takes to know its adapter) costs milliseconds to make: one
// list serves every open of that pass, and the next pass makes a new one.
PortLister SharedForOnePass(PortLister lister) {
  struct Pass {
    QList<SerialPortEntry> ports;
    bool made = false;
  };
  auto pass = std::make_shared<Pass>();
  return [pass, lister = std::move(lister)] {
    if (!pass->made) {
      pass->ports = lister();
      pass->made = true;
      QTimer::singleShot(0, [pass] { pass->made = false; });
    }
    return pass->ports;
  };
}
} // namespace

TStationBoard::TStationBoard(SessionOptions options, const QString &log, QWidget *parent)
    : QWidget(parent, Qt::Window), options_(std::move(options)),
      keeper_(new TResultsKeeper({}, this)), log_(log) {
  options_.listPorts = SharedForOnePass(options_.listPorts);
  setWindowTitle(tr("Station - GLOW_PANEL"));
  resize(800, 560);
  file_ = new QLabel(this);
  deviceEdit_ = new QLineEdit(this);
  deviceEdit_->setObjectName(QStringLiteral("devices"));
  deviceEdit_->setPlaceholderText(tr("Devices, separated by commas"));
  startAll_ = new QPushButton(tr("Start all"), this);
  startAll_->setObjectName(QStringLiteral("startAll"));
  // A station's keyboard, or a foot switch that sends a key, starts the rack.
  startAll_->setShortcut(QKeySequence(Qt::Key_F5));
  startAll_->setToolTip(tr("Start every tile (F5)"));
  stopAll_ = new QPushButton(tr("Stop all"), this);
  auto *bar = new QHBoxLayout;
  bar->addWidget(file_);
  bar->addWidget(deviceEdit_, 1);
  bar->addWidget(startAll_);
  bar->addWidget(stopAll_);
  grid_ = new QGridLayout;
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addLayout(grid_, 1);

  connect(startAll_, &QPushButton::clicked, this, &TStationBoard::startAll);
  connect(stopAll_, &QPushButton::clicked, this, [this] {
    for (TStationTile *tile : std::as_const(tiles_))
      tile->stop();
  });
  connect(deviceEdit_, &QLineEdit::editingFinished, this, [this] {
    QStringList devices;
    for (const QString &d : deviceEdit_->text().split(QLatin1Char(',')))
      if (!d.trimmed().isEmpty() && !devices.contains(d.trimmed()))
        devices << d.trimmed();
    if (devices != devices_)
      setDevices(devices);
  });
  clock_.setInterval(kTickMs);
  connect(&clock_, &QTimer::timeout, this, &TStationBoard::tick);
}

void TStationBoard::setSequence(const QList<SequenceStep> &steps, const QString &name) {
  steps_ = steps;
  name_ = name;
  file_->setText(QFileInfo(name).fileName());
  file_->setToolTip(name);
  // A running tile finishes its run as it began it.
  for (TStationTile *tile : std::as_const(tiles_))
    tile->setSequence(steps_, name_, presetFor(tile->device()));
}

void TStationBoard::setVariables(const QHash<QString, QString> &all,
                                 const QHash<QString, QHash<QString, QString>> &perDevice) {
  all_ = all;
  perDevice_ = perDevice;
}

void TStationBoard::setDevices(QStringList devices) {
  // A run is never cut short by a new list: the field is locked while one runs.
  if (std::any_of(tiles_.cbegin(), tiles_.cend(), [](auto *tile) { return tile->running(); }))
    return;
  if (devices.isEmpty())
    for (const SerialPortEntry &port : options_.listPorts())
      devices << port.device;
  qDeleteAll(tiles_);
  tiles_.clear();
  devices_ = devices;
  for (const QString &device : devices) {
    SessionOptions options = options_;
    options.devices = {device, options_.devices.value(1)};
    auto *tile = new TStationTile(
        device, options, log_.isEmpty() ? QString() : DeviceLog(log_, ShortName(device)), this);
    tile->setSequence(steps_, name_, presetFor(device));
    tile->setKeeper(keeper_);
    connect(tile->runner(), &SequenceRunner::passStarted, this, [this] {
      clock_.start();
      deviceEdit_->setEnabled(false);
    });
    connect(tile, &TStationTile::askChanged, this, &TStationBoard::giveKeyboard);
    tiles_ << tile;
  }
  deviceEdit_->setText(devices.join(QStringLiteral(", ")));
  arrange();
}

QHash<QString, QString> TStationBoard::presetFor(const QString &device) const {
  QHash<QString, QString> preset = all_;
  preset.insert(perDevice_.value(ShortName(device)));
  return preset;
}

void TStationBoard::setKeeper(TResultsKeeper *keeper) {
  keeper_ = keeper;
  for (TStationTile *tile : std::as_const(tiles_))
    tile->setKeeper(keeper);
}

void TStationBoard::startAll() {
  for (TStationTile *tile : std::as_const(tiles_))
    tile->start();
}

void TStationBoard::arrange() {
  const int columns = std::max(1, int(std::ceil(std::sqrt(double(tiles_.size())))));
  for (int i = 0; i < tiles_.size(); ++i)
    grid_->addWidget(tiles_[i], i / columns, i % columns);
}

void TStationBoard::tick() {
  bool any = false;
  for (TStationTile *tile : std::as_const(tiles_))
    if (tile->running()) {
      tile->showElapsed();
      any = true;
    }
  if (!any) {
    clock_.stop();
    deviceEdit_->setEnabled(true);
  }
}

void TStationBoard::giveKeyboard() {
  // An answer being typed keeps the keyboard; else the first tile that asks takes it.
  const QWidget *focus = focusWidget();
  if (focus && focus->objectName() == QLatin1String("answer") && !focus->isHidden())
    return;
  for (TStationTile *tile : std::as_const(tiles_))
    if (auto *answer = tile->findChild<QLineEdit *>(QStringLiteral("answer"));
        !answer->isHidden()) {
      answer->setFocus();
      return;
    }
}
