#include "StationBoard.h"

#include "Rack.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
// The variable that holds the unit's serial number, as the examples name it.
const QString kSerial = QStringLiteral("serial");
constexpr int kVerdictPixels = 40;
constexpr int kTickMs = 100;
const QColor kPassColor(0, 140, 0);
const QColor kFailColor(200, 0, 0);
const QColor kRunningColor(230, 160, 0);

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

QLabel *Label(QWidget *parent, const char *name) {
  auto *label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  return label;
}
} // namespace

TStationTile::TStationTile(const QString &device, SessionOptions options, const QString &log,
                           QWidget *parent)
    : QFrame(parent), device_(device), session_(&recorder_, std::move(options)),
      runner_(&session_) {
  setObjectName(ShortName(device));
  setFrameShape(QFrame::StyledPanel);
  if (!log.isEmpty())
    recorder_.recordTo(log);
  auto *name = Label(this, "device");
  name->setText(ShortName(device));
  name->setToolTip(device);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  serial_ = Label(this, "serial");
  step_ = Label(this, "step");
  // A long step must not widen the tile: it is cut, and whole in the tip.
  step_->setMinimumWidth(1);
  step_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  time_ = Label(this, "elapsed");
  verdict_ = Label(this, "verdict");
  verdict_->setAlignment(Qt::AlignCenter);
  QFont large = verdict_->font();
  large.setPixelSize(kVerdictPixels);
  large.setBold(true);
  verdict_->setFont(large);
  verdict_->setMinimumHeight(kVerdictPixels * 3 / 2);
  verdict_->setAutoFillBackground(true);
  reason_ = Label(this, "reason");
  reason_->setWordWrap(true);
  prompt_ = Label(this, "prompt");
  answer_ = new QLineEdit(this);
  answer_->setObjectName(QStringLiteral("answer"));
  start_ = new QPushButton(tr("Start"), this);
  start_->setObjectName(QStringLiteral("start"));

  auto *head = new QHBoxLayout;
  head->addWidget(name);
  head->addStretch(1);
  head->addWidget(serial_);
  auto *now = new QHBoxLayout;
  now->addWidget(step_, 1);
  now->addWidget(time_);
  auto *ask = new QHBoxLayout;
  ask->addWidget(prompt_);
  ask->addWidget(answer_, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addLayout(now);
  layout->addWidget(verdict_);
  layout->addWidget(reason_);
  layout->addLayout(ask);
  layout->addStretch(1);
  layout->addWidget(start_);
  prompt_->hide();
  answer_->hide();
  showReason(tr("Ready"), false);

  connect(start_, &QPushButton::clicked, this, [this] { running() ? stop() : start(); });
  connect(&runner_, &SequenceRunner::stepStarted, this, [this](int index) {
    const SequenceStep &step = runner_.steps()[index];
    const QString text = tr("line %1: %2").arg(step.line).arg(step.source);
    step_->setText(text);
    step_->setToolTip(text);
  });
  connect(&runner_, &SequenceRunner::stepFinished, this,
          [this](int index, const SequenceRunner::Result &result) {
            if (result.values.contains(kSerial))
              serial_->setText(result.values.value(kSerial));
            if (result.state == SequenceRunner::State::Failed && failure_.isEmpty()) {
              failure_ = tr("line %1: %2")
                             .arg(runner_.steps()[index].line)
                             .arg(result.message.section(QLatin1Char('\n'), 0, 0));
              showReason(failure_, true);
            }
            prompt_->hide();
            answer_->hide();
          });
  connect(&runner_, &SequenceRunner::asking, this,
          [this](int, const QString &, const QString &prompt) {
            prompt_->setText(prompt);
            answer_->clear();
            prompt_->show();
            answer_->show();
            emit asking();
          });
  connect(answer_, &QLineEdit::returnPressed, this, [this] {
    if (answer_->isVisible())
      runner_.answer(answer_->text());
  });
  connect(&runner_, &SequenceRunner::finished, this, &TStationTile::finish);
  // A lost line fails the run; with reopen on, the tile then tells the wait and the return.
  connect(&session_, &TSession::waiting, this, [this](const QString &device) {
    showReason(failure_ + QLatin1Char('\n') + tr("Waiting for %1 to return").arg(ShortName(device)),
               true);
  });
  connect(&session_, &TSession::reopened, this,
          [this](const LineSettings &, const QString &device) {
            showReason(failure_ + QLatin1Char('\n') + tr("%1 is back").arg(ShortName(device)),
                       !failure_.isEmpty());
          });
}

void TStationTile::setSequence(const QList<SequenceStep> &steps,
                               const QHash<QString, QString> &preset) {
  steps_ = steps;
  preset_ = preset;
  start_->setEnabled(!steps.isEmpty());
}

void TStationTile::start() {
  if (running() || steps_.isEmpty())
    return;
  failure_.clear();
  serial_->setText(preset_.value(kSerial));
  showVerdict(tr("RUNNING"), kRunningColor);
  showReason({}, false);
  elapsed_.start();
  showElapsed();
  start_->setText(tr("Stop"));
  runner_.setVariables(preset_);
  runner_.start(steps_, 1, false);
}

void TStationTile::showElapsed() {
  if (elapsed_.isValid())
    time_->setText(QStringLiteral("%1 s").arg(double(elapsed_.elapsed()) / 1000, 0, 'f', 1));
}

void TStationTile::finish() {
  showElapsed();
  elapsed_.invalidate();
  start_->setText(tr("Start"));
  step_->clear();
  // A run ends closed, as the next unit goes on the adapter; unless the session waits for
  // its device to return, which the tile then shows.
  if (!session_.waitingForDevice())
    session_.close();
  const bool failed = runner_.failedSteps() > 0;
  // As every station and report says them, in any language.
  showVerdict(failed ? QStringLiteral("FAIL") : QStringLiteral("PASS"),
              failed ? kFailColor : kPassColor);
  if (!failed)
    showReason(tr("%n step(s) passed", nullptr, runner_.passedSteps()), false);
}

void TStationTile::showVerdict(const QString &verdict, const QColor &color) {
  verdict_->setText(verdict);
  QPalette p = palette();
  if (color.isValid()) {
    p.setColor(QPalette::Window, color);
    p.setColor(QPalette::WindowText, Qt::white);
  }
  verdict_->setPalette(p);
}

void TStationTile::showReason(const QString &text, bool failure) {
  reason_->setText(text.trimmed());
  QPalette p = palette();
  if (failure)
    p.setColor(QPalette::WindowText, kFailColor);
  reason_->setPalette(p);
}

TStationBoard::TStationBoard(SessionOptions options, const QString &log, QWidget *parent)
    : QWidget(parent, Qt::Window), options_(std::move(options)), log_(log) {
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
  file_->setText(QFileInfo(name).fileName());
  file_->setToolTip(name);
  // A running tile finishes its run as it began it.
  for (TStationTile *tile : std::as_const(tiles_))
    tile->setSequence(steps_, presetFor(tile->device()));
}

void TStationBoard::setVariables(const QHash<QString, QString> &all,
                                 const QHash<QString, QHash<QString, QString>> &perDevice) {
  all_ = all;
  perDevice_ = perDevice;
}

void TStationBoard::setDevices(const QStringList &devices) {
  qDeleteAll(tiles_);
  tiles_.clear();
  devices_ = devices;
  for (const QString &device : devices) {
    SessionOptions options = options_;
    options.devices = {device, options_.devices.value(1)};
    auto *tile = new TStationTile(
        device, options, log_.isEmpty() ? QString() : DeviceLog(log_, ShortName(device)), this);
    tile->setSequence(steps_, presetFor(device));
    connect(tile->runner(), &SequenceRunner::passStarted, &clock_, qOverload<>(&QTimer::start));
    // The first tile to ask takes the keyboard, unless an answer is being typed already.
    connect(tile, &TStationTile::asking, this, [tile] {
      QWidget *focus = tile->window()->focusWidget();
      if (!focus || focus->objectName() != QLatin1String("answer") || !focus->isVisible())
        tile->findChild<QLineEdit *>(QStringLiteral("answer"))->setFocus();
    });
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
  if (!any)
    clock_.stop();
}
