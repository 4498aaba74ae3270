#include "StationTile.h"

#include "Colours.h"

#include "Rack.h"
#include "RunText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The variable that holds the unit's serial number, as the examples name it.
const QString kSerial = QStringLiteral("serial");
constexpr int kVerdictPixels = 40;
// The tile a scan goes to is framed so that it shows from a step back.
constexpr int kKeyboardFrame = 4;
const QColor kKeyboardColor(30, 100, 200);

QLabel *Label(QWidget *parent, const char *name) {
  auto *label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  return label;
}
} // namespace

TStationTile::TStationTile(const QString &device, SessionOptions options, const QString &log,
                           QWidget *parent)
    : QFrame(parent), device_(device), session_(&journal_, std::move(options)), runner_(&session_) {
  setObjectName(ShortName(device));
  setFrameShape(QFrame::StyledPanel);
  if (!log.isEmpty())
    journal_.recordTo(log);
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
  // As tall as its word, so that a small board still shows the reason below it.
  verdict_->setMinimumHeight(QFontMetrics(large).height());
  verdict_->setAutoFillBackground(true);
  reason_ = Label(this, "reason");
  reason_->setWordWrap(true);
  reason_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The reason takes the room there is, below the banner, and is cut at its foot; the
  // whole of it is in its tip.
  reason_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  reason_->setMinimumHeight(reason_->fontMetrics().lineSpacing());
  prompt_ = Label(this, "prompt");
  answer_ = new QLineEdit(this);
  answer_->setObjectName(QStringLiteral("answer"));
  answer_->installEventFilter(this);
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
  // Room for the frame that marks the tile with the keyboard.
  layout->setContentsMargins(layout->contentsMargins() + QMargins(2, 2, 2, 2) * kKeyboardFrame / 2);
  layout->addLayout(head);
  layout->addLayout(now);
  layout->addWidget(verdict_);
  layout->addWidget(reason_, 1);
  layout->addLayout(ask);
  layout->addWidget(start_);
  prompt_->hide();
  answer_->hide();
  showReason(tr("Ready"), false);

  connect(start_, &QPushButton::clicked, this, [this] { running() ? stop() : start(); });
  connect(&runner_, &SequenceRunner::stepStarted, this, [this](int index) {
    const SequenceStep &step = runner_.steps()[index];
    stepText_ = QStringLiteral("%1: %2").arg(StepName(step), step.source);
    step_->setToolTip(stepText_);
    showStep();
  });
  connect(
      &runner_, &SequenceRunner::stepFinished, this, [this](int index, const StepResult &result) {
        if (result.values.contains(kSerial))
          serial_->setText(result.values.value(kSerial));
        if (result.state == StepState::Failed && failure_.isEmpty()) {
          failure_ = QStringLiteral("%1: %2").arg(StepName(runner_.steps()[index]),
                                                  result.message.section(QLatin1Char('\n'), 0, 0));
          showReason(failure_, true);
        }
        if (!answer_->isHidden()) {
          prompt_->hide();
          answer_->hide();
          emit askChanged();
        }
      });
  connect(&runner_, &SequenceRunner::asking, this,
          [this](int, const QString &, const QString &prompt) {
            prompt_->setText(prompt);
            answer_->clear();
            prompt_->show();
            answer_->show();
            emit askChanged();
          });
  // An empty Enter is no answer: the scan has read nothing.
  connect(answer_, &QLineEdit::returnPressed, this, [this] {
    if (!answer_->isHidden() && !answer_->text().isEmpty())
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

void TStationTile::setSequence(const QList<SequenceStep> &steps, const QString &sequence,
                               const QHash<QString, QString> &preset) {
  steps_ = steps;
  sequence_ = sequence;
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
  runner_.start(steps_, 1, false, sequence_);
}

void TStationTile::showElapsed() {
  if (elapsed_.isValid())
    time_->setText(QStringLiteral("%1 s").arg(double(elapsed_.elapsed()) / 1000, 0, 'f', 1));
}

void TStationTile::finish() {
  showElapsed();
  elapsed_.invalidate();
  start_->setText(tr("Start"));
  stepText_.clear();
  step_->clear();
  step_->setToolTip({});
  // A run ends closed, as the next unit goes on the adapter; unless the session waits for
  // its device to return, which the tile then shows.
  if (!session_.waitingForDevice())
    session_.close();
  // As every station and report says them, in any language; but no run is a pass until
  // it is stored.
  if (keeper_ && !keeper_->keepRun(runner_.record())) {
    showVerdict(QStringLiteral("NOT STORED"), kFailColor);
    showReason(keeper_->problem(), true);
    return;
  }
  const Verdict verdict = runner_.record().verdict();
  showVerdict(VerdictWord(verdict), VerdictColor(verdict));
  if (verdict != Verdict::Pass)
    return;
  // What the unit measured, which the operator may want to see before the next goes on.
  QMap<QString, QString> values;
  for (const StepResult &r : runner_.passes().last().results)
    values.insert(r.values);
  values.remove(kSerial);
  StepResult measured;
  measured.values = values;
  showReason(tr("%n step(s) passed", nullptr, runner_.passedSteps()) +
                 (values.isEmpty() ? QString() : QLatin1Char('\n') + ValuesText(measured)),
             false);
}

void TStationTile::showStep() {
  step_->setText(step_->fontMetrics().elidedText(stepText_, Qt::ElideRight, step_->width()));
}

void TStationTile::showKeyboard(bool shown) {
  keyboard_ = shown;
  update();
}

void TStationTile::paintEvent(QPaintEvent *event) {
  QFrame::paintEvent(event);
  if (!keyboard_)
    return;
  QPainter painter(this);
  painter.setPen(QPen(kKeyboardColor, kKeyboardFrame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  const int half = kKeyboardFrame / 2;
  painter.drawRect(rect().adjusted(half, half, -half, -half));
}

bool TStationTile::eventFilter(QObject *watched, QEvent *event) {
  if (watched == answer_ && (event->type() == QEvent::FocusIn ||
                             event->type() == QEvent::FocusOut || event->type() == QEvent::Hide))
    showKeyboard(event->type() == QEvent::FocusIn);
  return QFrame::eventFilter(watched, event);
}

void TStationTile::resizeEvent(QResizeEvent *event) {
  QFrame::resizeEvent(event);
  showStep();
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
  reason_->setToolTip(text.trimmed());
  QPalette p = palette();
  if (failure)
    p.setColor(QPalette::WindowText, kFailColor);
  reason_->setPalette(p);
}
