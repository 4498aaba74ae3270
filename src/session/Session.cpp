#include "Session.h"

void TSession::press(Press press) {
  if (!isOpen())
    return;
  beginPress(press);
  for (const QByteArray &bytes : PressWrites(press))
    if (!WriteCom(bytes))
      break;
  endPress();
  emit pressed(press);
}

void TSession::send(const QByteArray &bytes) {
  beginPress(Press::Send);
  WriteCom(bytes);
  endPress();
}
