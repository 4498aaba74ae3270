#include "Sweep.h"

TSweep::TSweep(TSession *session) : session_(session) {
  wrote_ = QObject::connect(session_, &TSession::wrote, session_,
                            [this](const TxWrite &write) { lastEndNs_ = write.endNs; });
}

TSweep::~TSweep() {
  endSweep();
  QObject::disconnect(wrote_);
}

bool TSweep::startSweep() {
  if (!session_->isOpen())
    return false;
  next_ = kSweepFirst;
  pressing_ = true;
  session_->beginPress(Press::AsciiDemo);
  return true;
}

bool TSweep::writeNextByte() {
  if (!pressing_ || done())
    return false;
  if (session_->WriteCom(QByteArray(1, char(next_++))))
    return true;
  endSweep();
  return false;
}

void TSweep::endSweep() {
  if (std::exchange(pressing_, false))
    session_->endPress();
}
