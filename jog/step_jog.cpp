// Step mode: each tick's counts become one relative G-code move. DRO 22 is the
// host's only back-pressure signal; counts held back by it are merged into
// stepBacklog and drained in pieces once the wheel rests.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "jog/step_jog.h"

#include "host/host_codes.h"
#include "jog/jog_engine.h"

namespace k7 {
namespace {

constexpr int kDroQueueLevel = 22;
constexpr double kQueueLevelLimit = 20.0;
constexpr double kForcedOverride = 100.0;
constexpr int kFeedRestoreCycles = 3;
constexpr int kBacklogPiece = 5;
constexpr double kRadiansPerDegree = 0.017453293;
// The longest "%.4f" of a finite double: sign, 309 digits, point, 4 decimals.
constexpr int kLongestNumber = 1 + (DBL_MAX_10_EXP + 1) + 1 + 4;
// Room for the longest line any format can make: two such numbers, "G91G1 F",
// the axis letter and the blanks, so no line is ever cut short.
constexpr int kLineSize = 2 * kLongestNumber + 24;

constexpr const char* kAxisLetters[] = {"X", "Y", "Z", "A", "B", "C"};

const char* AxisLetter(int axis) {
    constexpr int kAxes = sizeof kAxisLetters / sizeof kAxisLetters[0];
    return axis >= 0 && axis < kAxes ? kAxisLetters[axis] : "";
}

bool QueueHasRoom(const Host& host) {
    return host.GetDRO(kDroQueueLevel) < kQueueLevelLimit;
}

// "G90" follows every formed line, also one that jogHold keeps from the host,
// so the host is never left in relative mode. The buffer holds every line the
// formats can make; a cut one would be a different move and is never sent.
void SendLine(const TickContext& tick, const char* line, int length) {
    tick.jog.g90Due = tick.hostWasAbsolute;
    if (length > 0 && length < kLineSize && !tick.logic.jogHold) tick.host.Code(line);
    SendDueG90(tick.host, tick.jog);
}

enum class StepKind { Live, BacklogPiece };

void SendStepLine(const TickContext& tick, StepKind kind, int signedCount) {
    const char* letter = AxisLetter(tick.pendant.selectedAxis);
    const double distance = signedCount * tick.host.JogIncrement();
    const int rate = tick.settings.StepJogRate;
    char line[kLineSize];
    int length;
    if (rate != 0) {
        length = std::snprintf(line, sizeof line, "G91G1 F%d %s %.4f", rate, letter, distance);
    } else if (kind == StepKind::Live) {
        const double feed = tick.host.GetDRO(codes::kDroFeed);
        length = std::snprintf(line, sizeof line, "G91G1 F%.4f %s %.4f", feed, letter, distance);
    } else {
        length = std::snprintf(line, sizeof line, "G91G1 %s %.4f", letter, distance);
    }
    SendLine(tick, line, length);
}

void DrainBacklog(TickContext& tick) {
    int& backlog = tick.jog.stepBacklog;
    if (std::abs(backlog) >= kBacklogPiece && QueueHasRoom(tick.host)) {
        const int piece = backlog > 0 ? kBacklogPiece : -kBacklogPiece;
        SendStepLine(tick, StepKind::BacklogPiece, piece);
        backlog -= piece;
    }
    if (backlog != 0 && std::abs(backlog) < kBacklogPiece && QueueHasRoom(tick.host)) {
        SendStepLine(tick, StepKind::BacklogPiece, backlog);
        backlog = 0;
    }
}

// Counts pile up only while the host is saturated; never let the sum overflow.
void AddToBacklog(int& backlog, int signedCount) {
    constexpr int kMax = std::numeric_limits<int>::max() - 255;
    if (signedCount > 0 && backlog > kMax - signedCount) return;
    if (signedCount < 0 && backlog < -kMax - signedCount) return;
    backlog += signedCount;
}

void StraightStep(TickContext& tick, int signedCount) {
    const Host& host = tick.host;
    JogState& jog = tick.jog;
    if (!jog.feedSaved) {
        jog.savedFeed = host.GetDRO(codes::kDroFeed);
        jog.savedDro821 = host.GetDRO(codes::kDroFeedOverride);
        jog.feedSaved = true;
    }
    tick.counters.stepCountdown = kFeedRestoreCycles;
    if (tick.settings.StepJogRate != 0) host.SetDRO(codes::kDroFeedOverride, kForcedOverride);
    if (QueueHasRoom(host))
        SendStepLine(tick, StepKind::Live, signedCount);
    else
        AddToBacklog(jog.stepBacklog, signedCount);
}

// With the host's coordinates rotated, an X or Y jog becomes a combined X/Y
// move so that it runs along the rotated axis. It keeps no backlog.
void RotatedStep(const TickContext& tick, int signedCount) {
    const double angle = tick.host.RotationDegrees() * kRadiansPerDegree;
    const double d = signedCount * tick.host.JogIncrement();
    const bool onX = tick.pendant.selectedAxis == 0;
    const double dx = onX ? d : 0.0;
    const double dy = onX ? 0.0 : d;
    const double x = std::cos(angle) * dx - std::sin(-angle) * dy;
    const double y = std::sin(-angle) * dx + std::cos(angle) * dy;
    if (!QueueHasRoom(tick.host)) return;
    char line[kLineSize];
    const int length = std::snprintf(line, sizeof line, "G91G1 X%.4f Y%.4f ", x, y);
    SendLine(tick, line, length);
}

// DRO 821 was forced only with a fixed StepJogRate, so only then is it written
// back. feedSaved stays set until both are written: a stop from inside either
// write then writes both again.
void PutFeedBack(const Host& host, const PendantSettings& settings, JogState& jog) {
    host.SetDRO(codes::kDroFeed, jog.savedFeed);
    if (settings.StepJogRate != 0) host.SetDRO(codes::kDroFeedOverride, jog.savedDro821);
    jog.feedSaved = false;
}

}  // namespace

void StepJog(TickContext& tick, int direction, int count) {
    if (count == 0) {
        if (tick.jog.stepBacklog != 0) DrainBacklog(tick);
        return;
    }
    if (!MotionAllowed(tick.host)) return;
    if (!JogEnabled(tick.host)) return;
    const int signedCount = direction == 0 ? count : -count;
    const int axis = tick.pendant.selectedAxis;
    const bool rotated = tick.host.RotationDegrees() != 0.0 && (axis == 0 || axis == 1);
    if (rotated)
        RotatedStep(tick, signedCount);
    else
        StraightStep(tick, signedCount);
}

void RestoreStepFeed(TickContext& tick) {
    if (!tick.jog.feedSaved || tick.counters.stepCountdown != 0) return;
    PutFeedBack(tick.host, tick.settings, tick.jog);
}

void SendDueG90(const Host& host, JogState& jog) {
    if (!jog.g90Due) return;
    jog.g90Due = false;
    host.Code("G90");
}

void EndStepJog(const Host& host, const PendantSettings& settings, JogState& jog) {
    if (jog.feedSaved) PutFeedBack(host, settings, jog);
    jog.stepBacklog = 0;
}

}  // namespace k7
