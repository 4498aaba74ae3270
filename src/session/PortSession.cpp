#include "PortSession.h"

#include "Platform.h"
#include "Unit2.h"

TPortSession::TPortSession(TLineJournal *journal, SessionOptions options, QObject *parent)
    : TSession(parent), journal_(journal), makePort_(std::move(options.makePort)),
      bindings_(options.devices, options.settingsFile, std::move(options.listPorts)),
      reopen_(options.reopen) {
  if (!makePort_)
    makePort_ = [] { return std::make_unique<TComPort>(); };
  watch_ = options.makeWatch ? options.makeWatch() : std::make_unique<TDeviceWatch>();
  connect(watch_.get(), &TDeviceWatch::look, this, &TPortSession::lookForDevice);
  // Waits, suspended, for the first open.
  reader_ = std::make_unique<TRead232>(true, this, [this] { ReadCom(); });
  bindings_.onProblem = [this](const QString &problem) {
    journal_->event(QStringLiteral("settings: %1").arg(problem));
    PrintToConsole(ConsoleStream::Err, problem + QLatin1Char('\n'));
    emit settingsProblem(problem);
  };
  if (!bindings_.problem().isEmpty())
    bindings_.onProblem(bindings_.problem());
}

TPortSession::~TPortSession() {
  // The poller stops before the port goes.
  reader_.reset();
  port_.reset();
}

bool TPortSession::isOpen() const { return port_ && port_->isOpen(); }

std::optional<OpenLine> TPortSession::openLine() const {
  return isOpen() ? std::optional<OpenLine>(openLine_) : std::nullopt;
}

OpenOutcome TPortSession::open(int item, qint32 baud) {
  // An open of either item ends a wait for a lost device.
  stopWaiting();
  const QString device = bindings_.binding(item).device;
  const OpenOutcome outcome = openDevice(device, baud);
  switch (outcome.result) {
  case OpenOutcome::Failed:
    journal_->event(outcome.problem);
    emit openFailed(outcome.problem, openAdvice_);
    break;
  case OpenOutcome::SettingsRejected:
    journal_->event(outcome.problem);
    emit settingsRejected(settings_);
    break;
  case OpenOutcome::Opened: {
    journal_->opened(device, SettingsSummary(settings_),
                     QStringLiteral("open COM%1 %2").arg(item + 1).arg(baud));
    last_ = {device, StablePath(device), baud, {}};
    openLine_ = {{item, baud}, device, settings_};
    const QList<SerialPortEntry> ports = bindings_.listPorts();
    if (const SerialPortEntry *entry = FindEntry(ports, device))
      last_.adapter = *entry;
    reader_->start();
    emit opened(settings_, device);
    break;
  }
  }
  return outcome;
}

OpenOutcome TPortSession::openDevice(const QString &device, qint32 baud) {
  port_.reset();
  arrivals_.clear();
  std::unique_ptr<TComPort> port = makePort_();
  connect(port.get(), &TComPort::attention, this, &TPortSession::portNews);
  if (!port->open(device)) {
    openAdvice_ = port->failureReason();
    openMissing_ = port->deviceMissing();
    return {OpenOutcome::Failed,
            QStringLiteral("open failed: %1").arg(openAdvice_.section(QLatin1Char('\n'), 0, 0))};
  }
  LineSettings settings = port->settings();
  settings.baudRate = baud;
  settings.dataBits = QSerialPort::Data8;
  settings.parity = QSerialPort::NoParity;
  settings.stopBits = QSerialPort::OneStop;
  settings_ = settings;
  if (!port->applySettings(settings))
    return {OpenOutcome::SettingsRejected,
            QStringLiteral("settings %1 rejected by %2").arg(SettingsSummary(settings), device)};
  port_ = std::move(port);
  return {OpenOutcome::Opened, {}};
}

void TPortSession::close() {
  stopWaiting();
  if (port_)
    journal_->closed();
  port_.reset();
  emit closed();
}

void TPortSession::setPrompt(bool prompt) { reader_->setPrompt(prompt); }

void TPortSession::beginPress(Press press) {
  press_ = press;
  journal_->beginPress(press);
}

void TPortSession::endPress() {
  press_.reset();
  journal_->endPress();
}

bool TPortSession::WriteCom(const QByteArray &bytes) {
  if (!isOpen())
    return false;
  // Bytes the port announces while the write is under way answer it (an echo does): they
  // count as arrived when the write ended, not before it.
  const size_t announced = arrivals_.size();
  const TComPort::Written written = port_->write(bytes);
  const qint64 went = written.bytes;
  const bool lost = port_->lineLost();
  const TxWrite done{bytes, press_, written.endNs, went, went < bytes.size() && !lost};
  for (size_t i = announced; i < arrivals_.size(); ++i)
    arrivals_[i].second = qMax(arrivals_[i].second, done.endNs);
  if (went > 0 || bytes.isEmpty())
    journal_->sent(bytes.left(went), done.endNs);
  if (went < bytes.size())
    journal_->notSent(bytes.mid(went), lost);
  emit wrote(done);
  // A line gone is told as soon as a write finds it, not at the next look.
  if (lost) {
    lineWentAway();
    return false;
  }
  return went == bytes.size();
}

void TPortSession::portNews() {
  if (!port_)
    return;
  const qint64 held = port_->queued();
  if (arrivals_.empty() || held > arrivals_.back().first)
    arrivals_.emplace_back(held, SteadyNs());
  reader_->portNews(held);
}

void TPortSession::ReadCom() {
  if (!port_)
    return;
  const qint64 pollNs = SteadyNs();
  const qint64 waiting = port_->bytesWaiting();
  const std::vector<std::pair<qint64, qint64>> arrivals = std::exchange(arrivals_, {});
  if (waiting > TComPort::kOverflowLimit) {
    const qint64 dropped = port_->purgeInput();
    journal_->discarded(dropped);
    emit discarded(dropped);
  } else {
    // Read even when nothing waits: a read is what makes the port take bytes from the
    // driver again after it stopped (as it does under Wine). Each announcement's bytes keep
    // its own time; bytes the port never announced arrived, as far as anyone knows, when
    // this poll found them.
    RxChunk chunk{port_->read(waiting), pollNs, {}};
    if (chunk.bytes.isEmpty()) {
      if (port_->lineLost())
        lineWentAway();
      return;
    }
    qint64 from = 0;
    for (const auto &[end, ns] : arrivals) {
      if (end <= from || from >= chunk.bytes.size())
        continue;
      if (from == 0)
        chunk.arrivalNs = ns;
      else
        chunk.later.emplace_back(from, ns);
      from = end;
    }
    if (from > 0 && from < chunk.bytes.size())
      chunk.later.emplace_back(from, pollNs);
    journal_->received(chunk.bytes, chunk.arrivalNs);
    emit received(chunk);
  }
  // What the device said before it went away is told first.
  if (port_ && port_->lineLost())
    lineWentAway();
}

void TPortSession::lineWentAway() {
  journal_->lost();
  emit lineLost();
  if (!reopen_ || !bindings_.reopenWhenBack() || last_.device.isEmpty()) {
    close();
    return;
  }
  // No message box: what the device says as it comes back must not wait for the operator.
  port_.reset();
  reopenProblem_.clear();
  lostAtNs_ = SteadyNs();
  journal_->event(QStringLiteral("waiting for %1").arg(last_.device));
  watch_->watch({last_.device, last_.stablePath});
  emit waiting(last_.device);
}

void TPortSession::lookForDevice(bool told) {
  // A notice can come after the wait ended.
  if (!watch_->watching())
    return;
  if (port_) {
    stopWaiting();
    return;
  }
  QStringList names{last_.device};
  if (last_.stablePath != last_.device)
    names << last_.stablePath;
  // The same adapter under another name: asked only when the system told of a change, as
  // listing the ports costs more than a look.
  if (told && !last_.adapter.serialNumber.isEmpty())
    for (const SerialPortEntry &e : bindings_.listPorts())
      if (SameAdapter(e, last_.adapter) && !names.contains(e.device))
        names << e.device;
  for (const QString &device : names) {
    if (!watch_->mayBePresent(device))
      continue;
    const OpenOutcome outcome = openDevice(device, last_.baud);
    if (outcome.result == OpenOutcome::Opened) {
      watch_->stop();
      openLine_.device = device;
      openLine_.settings = settings_;
      journal_->event(QStringLiteral("reopened %1 at %2 after %3 s")
                          .arg(device, SettingsSummary(settings_))
                          .arg(double(SteadyNs() - lostAtNs_) / 1e9, 0, 'f', 1));
      reader_->start();
      emit reopened(settings_, device, last_.device);
      return;
    }
    // Not back yet is no news; a device that is back but refuses is, once per reason.
    if (outcome.result == OpenOutcome::Failed && openMissing_)
      continue;
    if (outcome.problem != reopenProblem_) {
      reopenProblem_ = outcome.problem;
      journal_->event(QStringLiteral("reopen failed: %1").arg(outcome.problem));
      // The status stays short; why the device refuses is in its tooltip.
      emit reopenFailed(openAdvice_.isEmpty() || outcome.result != OpenOutcome::Failed
                            ? outcome.problem
                            : openAdvice_);
    }
  }
}

void TPortSession::stopWaiting() {
  if (!watch_->watching())
    return;
  watch_->stop();
  journal_->event(QStringLiteral("stopped waiting for %1").arg(last_.device));
}
