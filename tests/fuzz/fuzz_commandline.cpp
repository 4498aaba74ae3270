// The command line. The input, cut at zero bytes, is the argument list. Parsing must end
// in a result or in a usage error (exit code 2, a message and a pointer to --help), and an
// argument list that runs the tool must name at most the two devices, a rack whose COM 1 is
// its first device, no device twice, and values only for devices of the rack.
#include "CommandLine.h"
#include "Rack.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QStringList arguments{QStringLiteral("glow-panel")};
  for (const QByteArray &a :
       QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
    arguments << QString::fromLocal8Bit(a);
  // Listing the ports asks the system each time; it is not what is under test here.
  if (arguments.contains(QStringLiteral("--list-ports")))
    return 0;
  const CommandLine result = ParseCommandLine(arguments);
  if (!result.finished) {
    if (result.devices.size() != 2 || !result.out.isEmpty() || !result.err.isEmpty() ||
        result.devices[0] != result.rack.value(0))
      std::abort();
    QStringList names;
    for (const QString &device : result.rack)
      names << ShortName(device);
    if (names.removeDuplicates() != 0)
      std::abort();
    for (auto it = result.perDevice.cbegin(); it != result.perDevice.cend(); ++it)
      if (!names.contains(it.key()))
        std::abort();
    return 0;
  }
  if (result.exitCode == 2) {
    if (!result.out.isEmpty() || !result.err.contains(QStringLiteral("Try 'glow-panel --help'")))
      std::abort();
  } else if (result.exitCode != 0 || result.out.isEmpty() || !result.err.isEmpty()) {
    std::abort();
  }
  return 0;
}
