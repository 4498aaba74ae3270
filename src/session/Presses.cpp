#include "Presses.h"

void PressFixed(TSession &session, Press press) {
  if (!session.isOpen())
    return;
  session.beginPress(press);
  for (const QByteArray &bytes : PressWrites(press))
    if (!session.WriteCom(bytes))
      break;
  session.endPress();
  emit session.pressed(press);
}

void SendBytes(TSession &session, const QByteArray &bytes) {
  session.beginPress(Press::Send);
  session.WriteCom(bytes);
  session.endPress();
}
