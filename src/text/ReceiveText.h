// Turns the bytes a port delivers into text for the receive memo. One decoder lives for
// the whole time a port is open, so a Big5 character or a CR LF pair split across two
// reads comes out the same as when it arrives in one piece.
#pragma once

#include "Big5.h"

#include <QByteArray>
#include <QString>

class ReceiveText {
public:
  ReceiveText();

  // Text for the bytes of one read. Line breaks come out as '\n': CR LF makes one,
  // a lone CR or a lone LF makes one. Zero bytes are dropped, the rest is kept.
  QString feed(const QByteArray &bytes);
  void reset();

private:
  Big5Reader reader_;
  bool afterCr_ = false;
};
