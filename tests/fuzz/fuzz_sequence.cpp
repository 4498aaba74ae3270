// Sequence files. Any input gives either steps that print back to text which parses to the
// same steps, or an error whose line and column stand inside the input.
#include "Sequence.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool Same(const SequenceStep &a, const SequenceStep &b) {
  return a.kind == b.kind && a.port == b.port && a.baud == b.baud && a.bytes == b.bytes &&
         a.ms == b.ms;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  const ParsedSequence parsed = ParseSequence(input);
  if (parsed.failed) {
    const QList<QByteArray> lines = input.split('\n');
    const SequenceError &e = parsed.error;
    if (!parsed.steps.isEmpty() || e.message.isEmpty() || e.line < 1 || e.line > lines.size())
      std::abort();
    // Columns count characters, never more than the line's bytes (a leading BOM aside).
    if (e.column < 1 || e.column > lines[e.line - 1].size() + 1)
      std::abort();
    return 0;
  }
  for (const SequenceStep &step : parsed.steps) {
    const ParsedSequence again = ParseSequence(StepText(step).toUtf8());
    if (again.failed || again.steps.size() != 1 || !Same(again.steps.first(), step))
      std::abort();
  }
  return 0;
}
