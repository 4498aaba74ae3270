#include "VfdCommands.h"

const std::array<unsigned char, kInitVfdLength + 1> InitVfdBytes = {
    0x0C,                                           // clear
    0x1F, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00,       // command group 1
    0x1F, 0x28, 0x67, 0x02, 0x01,                   // command group 2
    0x1F, 0x28, 0x67, 0x01, 0x02,                   // command group 3
    0x1F, 0x28, 0x67, 0x41, 0x00,                   // command group 4
    0x1F, 0x28, 0x67, 0x40, 0x01, 0x01,             // command group 5
    0x1F, 0x28, 0x67, 0x03, 0x03,                   // command group 6
    0xB4, 0x50, 0xBE, 0xEC, 0xB5, 0xBE, 0xAC, 0x52, // banner, four Big5 characters
    0x00};

const std::array<unsigned char, 2> ClearVfdBytes = {0x0C, 0x00};

const char kEndText[] = "eEND";

QString SweepLabelText(int byte) {
  // A Big5 lead byte standing alone has no character of its own.
  const char code = static_cast<char>(byte);
  QString glyph = Big5Character(QByteArrayView(&code, 1));
  if (glyph.isEmpty())
    glyph = QString(QChar::ReplacementCharacter);
  return QStringLiteral("%1 = ").arg(byte, 2, 16, QLatin1Char('0')).toUpper() + glyph;
}

QString PressButton(Press press) {
  switch (press) {
  case Press::InitialVfd:
    return QStringLiteral("Initial VFD");
  case Press::ClearVfd:
    return QStringLiteral("Clear VFD");
  case Press::Eend:
    return QStringLiteral("eEND");
  case Press::AsciiDemo:
    return QStringLiteral("ASCII Demo");
  case Press::Send:
    return QStringLiteral("SEND");
  }
  return {};
}

QList<QByteArray> PressWrites(Press press) {
  auto byte = [](unsigned char b) { return QByteArray(1, char(b)); };
  QList<QByteArray> writes;
  switch (press) {
  case Press::InitialVfd:
    writes << byte(InitVfdBytes[0]);
    for (int i = 1; i < kInitVfdLength; ++i)
      writes << byte(InitVfdBytes[size_t(i)]);
    writes << byte(InitVfdBytes[0]);
    break;
  case Press::ClearVfd:
    writes << byte(ClearVfdBytes[0]);
    break;
  case Press::Eend:
    writes << QByteArray(kEndText);
    break;
  default:
    break;
  }
  return writes;
}
