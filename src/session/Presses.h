// The presses whose writes are known before they are made, on any session: the fixed tables
// of Initial VFD, Clear VFD and eEND, and SEND's text. The sweep paces its writes (Sweep.h).
#pragma once

#include "Session.h"

// The writes of a press whose bytes are fixed, as its button makes them; nothing at all
// when no port is open. A write that fails ends the press there.
void PressFixed(TSession &session, Press press);
// SEND: the bytes as one write.
void SendBytes(TSession &session, const QByteArray &bytes);
