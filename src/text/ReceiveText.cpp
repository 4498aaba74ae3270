#include "ReceiveText.h"

ReceiveText::ReceiveText() = default;

QString ReceiveText::feed(const QByteArray &bytes) {
  const QString decoded = reader_.readChunk(bytes);
  QString text;
  text.reserve(decoded.size());
  for (const QChar ch : decoded) {
    if (ch.isNull())
      continue;
    if (ch == u'\n' && afterCr_) {
      afterCr_ = false;
      continue;
    }
    afterCr_ = ch == u'\r';
    text += afterCr_ ? QChar(u'\n') : ch;
  }
  return text;
}

void ReceiveText::reset() {
  reader_.reset();
  afterCr_ = false;
}
