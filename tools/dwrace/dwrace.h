// dwrace: runs a season of computer-driven races without a window, as fast as
// the machine allows, on the game's own race code, and reports the results.
#pragma once
#include <string>
#include <vector>

struct RunnerOptions {
    int cars = 6;
    int laps = 3;
    int lengthUnit = 0;          // 0 laps, 1 kilometres, 2 minutes (+2 laps)
    std::vector<int> skills;     // one per car after parsing
    unsigned seed = 1;
    int tyres = -1, fuel = -1, damage = -1;  // -1 = the settings' default
    bool json = false;
    bool writeRecords = false;
    double capSeconds = 0;       // simulated seconds per race before giving up; 0 = by race length
    std::vector<std::string> tracks;  // absolute paths
    std::vector<std::string> carNames;  // --car: one for all cars or one per car; empty = the built-in car
    std::string shotsDir;        // --shots: screenshot folder (absolute); empty = none
    double shotEvery = 0;        // --every: simulated seconds between screenshots
    int shotWidth = 640, shotHeight = 480;  // --size
    std::string traceFile;       // --trace: events as JSON (trace.cpp); empty = none
    std::string grid = "random";  // --grid: random, points, reversed (the settings' orders) or skill (slowest first)
};

// What one car did in one race.
struct CarResult {
    int car = 0, skill = 0, position = 0, laps = 0, pitStops = 0, damage = 0, points = 0;
    double time = 0, bestLap = 0, longestStall = 0;
    bool finished = false;
    float x = 0, z = 0;
    int linePoint = 0;
    int passes = 0;                 // cars passed on the track, not while either was in the pits
    std::vector<int> lapPositions;  // position after each lap, 1 = first through
    int waitingCheckpoint = 0;      // the checkpoint it was to pass next
    float checkpointX = 0, checkpointZ = 0;  // its middle
};

struct RaceResult {
    std::string track;
    int raceLaps = 0;
    double simulated = 0;
    bool capped = false;
    std::vector<CarResult> cars;  // in finishing order
};

struct SeasonResult {
    std::vector<RaceResult> races;
    std::vector<int> seasonPoints;
    double simulated = 0, wall = 0;
};

// Called after every simulation step of a race (for pictures, traces, tests).
// Null = nothing. The race state is in raceState and cars.
extern void (*runnerStepHook)(int raceIndex);

// The cars of --car from the "cars" folder (by file name or car name) or a
// ".car" file, as catalogue indices per car; false with a message.
bool ChooseRunnerCars(const RunnerOptions& options, std::vector<int>& carIndex, std::string& error);
// Screenshots of --shots (shots.cpp): sets up the off-screen race view and
// installs runnerStepHook; false with a message when the folder cannot be
// made or written. FinishShots frees it; false when a picture could not be written.
bool StartShots(const RunnerOptions& options, std::string& error);
bool FinishShots(std::string& error);
// The trace of --trace (trace.cpp): installs its step hook before the season
// and writes the file after it; false with a message when it cannot be written.
bool StartTrace(const RunnerOptions& options, std::string& error);
bool FinishTrace(std::string& error);

// The race's story (story.cpp): ArrangeGrid reorders the grid of a race
// just set up as --grid skill asks; StartStory readies the bookkeeping,
// StoryStep follows the cars after every step, StoryResult fills a car's
// passes, positions after each lap and the checkpoint it waits for.
void ArrangeGrid(const RunnerOptions& options);
void StartStory();
void StoryStep();
void StoryResult(int car, CarResult& out);

// Parses the command line; false with a message in error for bad usage.
bool ParseRunnerOptions(int argc, char** argv, RunnerOptions& options, std::string& error);
// Runs the season; false with a message when a track cannot be read.
bool RunSeason(const RunnerOptions& options, SeasonResult& result, std::string& error);
// Prints the results as text or as one JSON document.
void PrintSeason(const RunnerOptions& options, const SeasonResult& result);
