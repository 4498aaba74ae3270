// The settings file. Any bytes as the file: start-up keeps what is a device name and falls
// back to the default for the rest, and the next choice writes a file that reads back.
#include "PortBinding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
QTemporaryDir *gDir;
int gRun;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  static QCoreApplication app(*argc, *argv);
  gDir = new QTemporaryDir;
  qunsetenv("GLOW_PANEL_COM1");
  qunsetenv("GLOW_PANEL_COM2");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A fresh name each run: QSettings caches what it read by file name.
  const QString path = gDir->filePath(QStringLiteral("run%1.ini").arg(++gRun));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
      std::abort();
    file.write(reinterpret_cast<const char *>(data), qsizetype(size));
  }
  for (int item = 0; item < PortBindings::kItems; ++item) {
    const PortBinding b = PortBindings({}, path).binding(item);
    if (b.source == BindingSource::Default ? b.device != PortBindings::defaultDevice(item)
                                           : b.device.trimmed().isEmpty())
      std::abort();
    for (const QChar c : b.device)
      if (c.category() == QChar::Other_Control)
        std::abort();
  }
  const QString device = QStringLiteral("/dev/ttyUSB%1").arg(gRun % 7);
  PortBindings({}, path).choose(1, device);
  if (PortBindings({}, path).binding(1).device != device)
    std::abort();
  QFile::remove(path);
  return 0;
}
