// Timing head of the race frame tick: converts the time since the last tick
// into fixed simulation steps. At most 200 ms count per frame (20 steps of
// 10 ms), so a slow frame drops time instead of falling further behind.
#include "Game/shell/shell.h"

bool inRace = false;
StepClock stepClock;
FrameTickHooks frameTickHooks = {};

namespace {

constexpr uint32_t kMaxFrameMs = 200;

uint32_t Now() { return frameTickHooks.ticks ? frameTickHooks.ticks() : SDL_GetTicks(); }

}  // namespace

FrameTickResult FrameTick(StepClock& clock, bool alternativeSpeed) {
    FrameTickResult result = {0, false};
    uint32_t elapsed = Now() - clock.lastTick;
    clock.accumulatedMs = elapsed > kMaxFrameMs ? kMaxFrameMs : elapsed;
    // A zero step would never use up the accumulated time.
    if (clock.stepMs == 0 || clock.accumulatedMs < clock.stepMs) return result;
    if (!alternativeSpeed) clock.lastTick = Now() - clock.accumulatedMs % clock.stepMs;
    int drawRequests = 0;
    bool stepping = frameTickHooks.step != nullptr;
    while (clock.accumulatedMs >= clock.stepMs) {
        // A step that left the race (the pause menu, the end of a season)
        // ends the frame: the menus now take the events.
        if (stepping && !frameTickHooks.step) break;
        clock.accumulatedMs -= clock.stepMs;
        // The second way: time spent simulating is not made up later.
        if (alternativeSpeed) clock.lastTick = Now() - clock.accumulatedMs;
        if (frameTickHooks.refreshInput) frameTickHooks.refreshInput();
        if (frameTickHooks.step && frameTickHooks.step()) ++drawRequests;
        ++result.steps;
    }
    if (drawRequests > 0) {
        if (frameTickHooks.draw) frameTickHooks.draw();
        result.drew = true;
    }
    return result;
}

void EnterRace(bool (*step)(), void (*draw)()) {
    frameTickHooks.step = step;
    frameTickHooks.draw = draw;
    stepClock.accumulatedMs = 0;
    stepClock.lastTick = Now();
    ClearKeyPresses();
    inRace = true;
}

void LeaveRace() {
    inRace = false;
    frameTickHooks.step = nullptr;
    frameTickHooks.draw = nullptr;
    ClearKeyPresses();
}
