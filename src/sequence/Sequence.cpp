#include "Sequence.h"

const StepKind &KindOf(SequenceStep::Kind kind) {
  for (const StepKind &k : kStepKinds)
    if (k.kind == kind)
      return k;
  return kStepKinds[0];
}

const StepKind &KindOf(Press press) {
  for (const StepKind &k : kStepKinds)
    if (k.press == press)
      return k;
  return KindOf(SequenceStep::Send);
}
