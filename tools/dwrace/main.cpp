// dwrace [options] TRACK.trk...   one computer-driven race per track
// Exit status 0 when every car finished every race, 1 when one did not, 2 for
// bad usage or a track that cannot be read.
#include <cstdio>

#include "tools/dwrace/dwrace.h"
#include "trackfile/program_options.h"

static const char kUsage[] =
    "usage: dwrace [--cars N] [--laps N | --km N | --minutes N] [--skill P[,P...]] [--seed N]\n"
    "              [--tyres N] [--fuel N] [--damage N] [--cap SECONDS] [--json]\n"
    "              [--write-records] [--car NAME[,NAME...]] [--grid random|points|reversed|skill]\n"
    "              [--shots DIR --every SECONDS [--size WxH]] [--trace FILE] TRACK.trk...\n"
    "       dwrace --help | --version\n";

int main(int argc, char** argv)
{
    int answered = AnswerHelpOrVersion(argc, argv, "dwrace", kUsage);
    if (answered >= 0) return answered;
    RunnerOptions options;
    std::string error;
    if (!ParseRunnerOptions(argc, argv, options, error)) return UsageError("dwrace", kUsage, error);
    SeasonResult result;
    if (!RunSeason(options, result, error)) {
        std::fprintf(stderr, "dwrace: %s\n", error.c_str());
        return 2;
    }
    PrintSeason(options, result);
    bool all = true;
    for (const RaceResult& race : result.races)
        for (const CarResult& c : race.cars)
            if (!c.finished) {
                all = false;
                std::fprintf(stderr, "dwrace: %s: car %d did not finish: %d of %d laps, at x %.1f z %.1f, line point %d, "
                             "waiting for checkpoint %d at x %.1f z %.1f%s\n",
                             race.track.c_str(), c.car, c.laps, race.raceLaps, c.x, c.z, c.linePoint,
                             c.waitingCheckpoint, c.checkpointX, c.checkpointZ,
                             race.capped ? " (time cap reached)" : "");
            }
    return all ? 0 : 1;
}
