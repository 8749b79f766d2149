// The race phase machine, one 10 ms step at a time: intro, start lights with
// the false-start lock, the racing step (cars, car-to-car contacts, pits,
// sound levels), run-out, results, standings, the final fireworks and the
// replay. RaceFrameTick runs as many steps as the time since the last frame
// asks for, at most 20.
#include <algorithm>

#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/audio.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

namespace {

bool escapeWasHeld = false;

bool KeyHeld(int code) { return keyState && code >= 0 && code < kKeyStateSize && (keyState[code] & 1); }

// Any key except F11 and F12, which the shell keeps for screenshots.
bool AnyKeyHeld()
{
    if (!keyState) return false;
    for (int k = 1; k < kKeyStateSize; ++k)
        if (k != SDLK_F11 && k != SDLK_F12 && (keyState[k] & 1)) return true;
    return false;
}

// Any key held now, or pressed and released since the last step (a quick
// tap falls between two key snapshots).
bool AnyKeyPressed()
{
    bool pressed = AnyKeyHeld();
    for (int k = 1; k < kKeyStateSize; ++k)
        if (k != SDLK_F11 && k != SDLK_F12 && TakeKeyPress(k)) pressed = true;
    return pressed;
}

void PlayDing(float rate)
{
    int id = effectSounds[kSoundDing];
    SetSoundRate(id, rate);
    PlaySound(id, false);
}

// Start lights: red at 0, 70 and 140 steps, green at 210. During a race's
// first start, a human holding the throttle collects as many locked steps as
// the throttle was held.
bool CountdownStep()
{
    RaceState& r = raceState;
    bool redraw = false;
    if (r.phaseCounter % 70 == 0 && r.phaseCounter <= 210) {
        r.startLight = r.phaseCounter / 70;
        PlayDing(r.startLight < 3 ? 24000.0f / 22050.0f : 32000.0f / 22050.0f);
        redraw = true;
    }
    if (r.raceClock == 0) {
        for (int i = 0; i < r.carCount; ++i) {
            CarState& c = cars[i];
            if (c.driverType == 0) continue;
            CarInput in;
            if (raceClockHooks.controls)
                raceClockHooks.controls(i, in);
            else
                in.accelerate = ControlValue(c.keys[0], c.controls[0]);
            if (in.accelerate > 0) {
                if (c.controlLock < 255) ++c.controlLock;
            } else {
                c.controlLock = 0;
            }
        }
    }
    if (++r.phaseCounter > 210) {
        r.phase = RacePhase::Racing;
        r.phaseCounter = 0;
    }
    return redraw;
}

void SetSkidAndImpactSounds()
{
    RaceState& r = raceState;
    SetSoundVolume(effectSounds[kSoundSkid], EffectVolume(settings.skidVolume, r.skidLevel));
    r.skidLevel = 0;
    if (r.impactLevel > 1) {
        int id = effectSounds[kSoundDamage];
        SetSoundVolume(id, EffectVolume(settings.effectsVolume, r.impactLevel));
        PlaySound(id, false);
        r.impactLevel = 0;
    }
}

// The racing step body, in Racing and RunOut.
void RacingStep()
{
    RaceState& r = raceState;
    if (r.phase == RacePhase::Racing) {
        if (r.phaseCounter < 70 && ++r.phaseCounter == 70) r.startLight = -1;
        int leader = r.standing[0];
        bool leaderThrough = r.leaderLaps >= r.raceLaps;
        int sinceFinish = leader >= 0 ? r.raceClock - cars[leader].lastLapMark : 0;
        if (!leaderThrough || sinceFinish < kEmptyLapTime) {
            ++r.raceClock;
        } else {
            r.phase = RacePhase::RunOut;
            r.phaseCounter = 0;
        }
    } else if (++r.phaseCounter > 199) {
        r.phase = RacePhase::Finished;
    }
    if (r.timedRace) {
        int32_t now = RaceWallSeconds();
        if (r.wallStart < 0 || r.wallEnd < 0) {
            r.wallStart = now;
            r.wallEnd = now + r.raceSeconds;
        }
        // A pause does not eat race time.
        if (r.wallPaused > 0) {
            r.wallEnd += now - r.wallPaused;
            r.wallPaused = -1;
        }
        r.timeUp = now >= r.wallEnd;
    }
    if (r.carCount == 1 && raceSeams.ghostSample) raceSeams.ghostSample();
    if (raceSeams.recordReplay) raceSeams.recordReplay();
    for (int i = 0; i < r.carCount; ++i) StepCar(i);
    for (int i = 0; i < r.carCount; ++i)
        for (int j = i + 1; j < r.carCount; ++j) CollideCars(i, j);
    if (raceSeams.pitCrews) raceSeams.pitCrews();
    SetSkidAndImpactSounds();
}

void FireworksStep()
{
    RaceState& r = raceState;
    if (r.fireworkTimer > 0) {
        --r.fireworkTimer;
        return;
    }
    float size = trackMaps.worldSize > 1 ? trackMaps.worldSize : 1;
    int kind = 9 + static_cast<int>(5 * NextRandom());
    float x = NextRandom() * size, z = NextRandom() * size;
    EmitParticle(kind, 100, Vec3{x, TerrainHeight(x, z), z}, Vec3{0, 30, 0});
    r.fireworkTimer = static_cast<int32_t>(NextRandom() * 700000.0f / (size * size));
}

}  // namespace

namespace {

// The points panel shows only when a driver holds points; without it a
// season goes on to the next race as soon as the results are confirmed.
bool NobodyHoldsPoints()
{
    const RaceState& r = raceState;
    return std::all_of(r.seasonPoints, r.seasonPoints + r.carCount, [](int32_t p) { return p <= 0; });
}

bool PhaseStep()
{
    RaceState& r = raceState;
    if (!r.raceRunning) return false;  // paused: the rest of the frame waits
    // A press between two steps counts even when the key is up again by now.
    bool escape = KeyHeld(SDLK_ESCAPE);
    bool escapePressed = TakeKeyPress(SDLK_ESCAPE) || (escape && !escapeWasHeld);
    escapeWasHeld = escape;
    if (escapePressed && r.phase < RacePhase::FinalRelease) {
        Pause();
        return false;
    }
    switch (r.phase) {
    case RacePhase::Intro:
        if (AnyKeyPressed()) {
            r.phase = RacePhase::Countdown;
            r.phaseCounter = 0;
        }
        return false;
    case RacePhase::Countdown:
        return CountdownStep();
    case RacePhase::Racing:
    case RacePhase::RunOut:
        RacingStep();
        return true;
    case RacePhase::Finished:
        r.phase = RacePhase::Results;
        for (int i = 0; i < kEngineSlots; ++i) SetSoundVolume(engineSounds[i], 0);
        SetSoundVolume(effectSounds[kSoundSkid], 0);
        if (r.carCount > 1 && raceSeams.awardPoints) raceSeams.awardPoints();
        if (raceSeams.writeRecords) raceSeams.writeRecords();
        if (raceSeams.showResults) raceSeams.showResults();
        return false;
    case RacePhase::Results:
        if (AnyKeyPressed()) {
            bool final = r.raceIndex + 1 >= r.raceCount;
            if (!final && NobodyHoldsPoints()) {
                // No driver holds points: no points panel, the next race at once.
                ++r.raceIndex;
                StartRace();
                return false;
            }
            if (raceSeams.showStandings) raceSeams.showStandings(final);
            r.phase = final ? RacePhase::FinalRelease : RacePhase::StandingsRelease;
            r.fireworkTimer = 0;
        }
        return false;
    case RacePhase::StandingsRelease:
        if (!AnyKeyHeld()) r.phase = RacePhase::Standings;
        return false;
    case RacePhase::Standings:
        // Reached by skipping a race or resuming while nobody holds points:
        // there is no panel to confirm, so the next race follows once the
        // keys are up.
        if (NobodyHoldsPoints() || AnyKeyPressed()) {
            ++r.raceIndex;
            StartRace();
        }
        return false;
    case RacePhase::FinalRelease:
    case RacePhase::Final:
        FireworksStep();
        if (r.phase == RacePhase::FinalRelease && !AnyKeyHeld()) {
            r.phase = RacePhase::Final;
        } else if (r.phase == RacePhase::Final && AnyKeyPressed()) {
            ExitToMenu();
        }
        return true;
    case RacePhase::Replay:
        if (escapePressed) {
            r.phase = RacePhase::ReplayExit;
            return false;
        }
        return raceSeams.replayStep ? raceSeams.replayStep() : false;
    case RacePhase::ReplayExit:
        if (!escape) {
            if (raceSeams.restoreReplay) raceSeams.restoreReplay();
            Resume();
        }
        return false;
    }
    return false;
}

}  // namespace

bool RaceStep()
{
    bool redraw = PhaseStep();
    // A press counts in the step that sees it or not at all: kept longer, a
    // driver's steering in the race, or the press whose held key has just
    // ended a phase, would end the next phase that waits for a key at once.
    ClearKeyPresses();
    return redraw;
}

int RaceFrameTick()
{
    // The shell's timing head runs the steps on the shell's step clock (the
    // one the main loop uses): at most 200 ms count per frame.
    FrameTickHooks saved = frameTickHooks;
    frameTickHooks.ticks = raceClockHooks.ticks;
    frameTickHooks.step = RaceStep;
    frameTickHooks.draw = raceSeams.drawRace;
    FrameTickResult result = FrameTick(stepClock, iniSettings.alternativeSpeedSetting != 0);
    frameTickHooks = saved;
    raceState.accumulatedMs = stepClock.accumulatedMs;
    raceState.lastTick = stepClock.lastTick;
    return result.steps;
}
