// Where the probe loop cuts, worked out from the position of the last data byte alone, and where
// the cut that keeps a Windows program whole ends.
#include "engine/trim.h"

namespace velbrisk {

// The probe at scan position i covers offsets L - i - 1 to L - 1 and is blank exactly when every
// byte there is zero, that is when lastDataOffset < L - i - 1. The first probe that holds data is
// therefore the smallest multiple of ten, at least ten, with i >= L - 1 - lastDataOffset; the loop
// only gets there while the probe position L - i is at least 1.
std::optional<Cut> findCut(std::int64_t sourceLength, std::int64_t lastDataOffset) {
    if (lastDataOffset < 0 || lastDataOffset >= sourceLength) {
        return std::nullopt;
    }
    const std::int64_t needed = sourceLength - 1 - lastDataOffset;
    std::int64_t steps = needed / kProbeStep + (needed % kProbeStep != 0 ? 1 : 0);
    if (steps < 1) {
        steps = 1;
    }
    // Compare in steps, not bytes, so that a length near the top of the range cannot overflow.
    const std::int64_t lastProbe = sourceLength - 1;  // the largest i with L - i >= 1
    if (steps > lastProbe / kProbeStep) {
        return std::nullopt;
    }
    if (steps == 1 && sourceLength == INT64_MAX) {
        // Nothing cut would mean one byte past the largest offset there is; no file gets there.
        return std::nullopt;
    }
    Cut cut;
    cut.scanPosition = steps * kProbeStep;
    cut.cutAmount = cut.scanPosition - kProbeStep;
    // Offsets 0 to L - a, one byte more than L - a: the output ends with the first two (zero) bytes
    // of the last blank probe; with a = 0 there is none, and the copy runs one byte past the end of
    // the source, a byte that is zero.
    cut.outputLength = sourceLength - cut.cutAmount + 1;
    return cut;
}

std::optional<Cut> safeCut(std::int64_t sourceLength, const Cut& cut, std::int64_t declaredEnd) {
    if (declaredEnd <= cut.outputLength) {
        return cut;
    }
    if (declaredEnd >= sourceLength) {
        return std::nullopt;
    }
    return Cut{cut.scanPosition, sourceLength - declaredEnd + 1, declaredEnd};
}

std::optional<TrimPlan> safePlan(const TrimPlan& plan) {
    if (!plan.cut) {
        return std::nullopt;
    }
    TrimPlan safe = plan;
    safe.cut = safeCut(plan.sourceLength, *plan.cut, plan.declaredEnd);
    if (!safe.cut) {
        return std::nullopt;
    }
    safe.imageBytesCut = 0;
    return safe;
}

}  // namespace velbrisk
