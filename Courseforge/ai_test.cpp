// "Test with AI": races computer cars on a temporary copy of the track in
// the race program, run as a separate process so that the editor never
// includes the game, and reads back its trace: each car's laps, best lap and
// stalls and the places where cars stalled, left the road, hit objects or
// missed a checkpoint. The process runner is POSIX; tests put a fake in
// aiTestRunner.
#include "Courseforge/editor_internal.h"
#include "trackfile/byte_io.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

pid_t child = -1;
int childOutput = -1;

bool StartProcess(const std::vector<std::string>& args, std::string& error)
{
    int fds[2];
    if (args.empty() || pipe(fds) != 0) {
        error = "can't start the race program";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        error = "can't start the race program";
        return false;
    }
    if (pid == 0) {
        // The results on standard output are not needed: the trace has them.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, 1);
        dup2(fds[1], 2);
        close(fds[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    child = pid;
    childOutput = fds[0];
    return true;
}

// The editor may ignore finished children (then waitpid cannot report the
// status): the end of the program's standard error also says it has ended,
// with status 0 left to the trace file to confirm.
int PollProcess(std::string& output)
{
    if (child < 0)
        return 2;
    char buf[4096];
    ssize_t n;
    bool ended = false;
    while ((n = read(childOutput, buf, sizeof buf)) > 0)
        output.append(buf, static_cast<size_t>(n));
    ended = n == 0;
    int status = 0;
    const pid_t waited = waitpid(child, &status, WNOHANG);
    if (waited == child)
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 2;
    else if (waited < 0 && errno == ECHILD && ended)
        status = 0;
    else
        return -1;
    while ((n = read(childOutput, buf, sizeof buf)) > 0)
        output.append(buf, static_cast<size_t>(n));
    close(childOutput);
    child = -1;
    childOutput = -1;
    return status;
}

void StopProcess()
{
    if (child < 0)
        return;
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    close(childOutput);
    child = -1;
    childOutput = -1;
}

// The number after "key": in a flat JSON object's text; fallback when absent.
double Field(const std::string& object, const char* key, double fallback)
{
    const std::string k = std::string("\"") + key + "\":";
    const size_t at = object.find(k);
    if (at == std::string::npos)
        return fallback;
    const char* p = object.c_str() + at + k.size();
    char* end = nullptr;
    const double v = std::strtod(p, &end);
    if (end != p)
        return v;
    while (*p == ' ')
        p++;
    return std::strncmp(p, "true", 4) == 0 ? 1 : fallback;
}

std::string TextField(const std::string& object, const char* key)
{
    const std::string k = std::string("\"") + key + "\": \"";
    const size_t at = object.find(k);
    if (at == std::string::npos)
        return std::string();
    const size_t end = object.find('"', at + k.size());
    return end == std::string::npos ? std::string() : object.substr(at + k.size(), end - at - k.size());
}

// The flat objects ("{...}" without nesting) inside the array under key.
std::vector<std::string> Objects(const std::string& json, const char* key, size_t from = 0)
{
    std::vector<std::string> out;
    size_t at = json.find(std::string("\"") + key + "\": [", from);
    if (at == std::string::npos)
        return out;
    at = json.find('[', at);
    for (size_t p = at + 1; p < json.size();) {
        const size_t open = json.find_first_of("{]", p);
        if (open == std::string::npos || json[open] == ']')
            break;
        const size_t close = json.find('}', open);
        if (close == std::string::npos)
            break;
        out.push_back(json.substr(open, close - open + 1));
        p = close + 1;
    }
    return out;
}

const char* const kKindNames[] = {"stall", "offroad", "hit", "missed"};

}  // namespace

AiTestRunner aiTestRunner = {StartProcess, PollProcess, StopProcess};

bool ParseAiTrace(const std::string& json, float ppu, AiTestResult& out)
{
    out = AiTestResult{};
    const size_t races = json.find("\"races\": [");
    const size_t events = json.find("\"events\": [");
    if (races == std::string::npos || events == std::string::npos)
        return false;
    out.raceLaps = static_cast<int>(Field(json.substr(races, events - races), "laps", 0));
    for (const std::string& c : Objects(json, "cars", races)) {
        AiTestCar car;
        car.car = static_cast<int>(Field(c, "car", 0));
        car.laps = static_cast<int>(Field(c, "laps", 0));
        car.stalls = static_cast<int>(Field(c, "stalls", 0));
        car.bestLap = Field(c, "bestLap", 0);
        car.finished = Field(c, "finished", 0) != 0;
        out.cars.push_back(car);
    }
    for (const std::string& e : Objects(json, "events", events)) {
        if (Field(e, "race", 0) != 0)
            continue;  // the editor runs one race
        const std::string kind = TextField(e, "kind");
        AiTestMark m;
        m.kind = -1;
        for (int k = 0; k < 4; k++)
            if (kind == kKindNames[k])
                m.kind = k;
        if (m.kind < 0)
            continue;
        m.car = static_cast<int>(Field(e, "car", 0));
        m.time = static_cast<float>(Field(e, "time", 0));
        m.x = static_cast<float>(Field(e, "x", 0) * ppu);
        m.y = static_cast<float>(kLandSize - Field(e, "z", 0) * ppu);
        m.detail = static_cast<int>(Field(e, m.kind == kMarkHit ? "object" : "checkpoint", 0));
        out.marks.push_back(m);
    }
    return true;
}

std::string AiTestSummary(const AiTestResult& r)
{
    std::string text;
    char line[160];
    for (const AiTestCar& c : r.cars) {
        if (c.bestLap > 0)
            std::snprintf(line, sizeof line, "Car %d: %d of %d laps, best lap %.2f s, %d stall%s%s\n", c.car, c.laps,
                          r.raceLaps, c.bestLap, c.stalls, c.stalls == 1 ? "" : "s", c.finished ? "" : ", not finished");
        else
            std::snprintf(line, sizeof line, "Car %d: %d of %d laps, no lap timed, %d stall%s%s\n", c.car, c.laps,
                          r.raceLaps, c.stalls, c.stalls == 1 ? "" : "s", c.finished ? "" : ", not finished");
        text += line;
    }
    int counts[4] = {};
    for (const AiTestMark& m : r.marks)
        counts[m.kind]++;
    std::snprintf(line, sizeof line,
                  "\nOn the map: %d stall%s (red), %d off the road (orange), %d hit%s (purple), %d missed "
                  "checkpoint%s (blue).",
                  counts[0], counts[0] == 1 ? "" : "s", counts[1], counts[2], counts[2] == 1 ? "" : "s", counts[3],
                  counts[3] == 1 ? "" : "s");
    return text + line;
}

bool AiTestStart(AiTest& t, const Editor& e, const std::string& program, int cars, int laps, std::string& error)
{
    if (t.running) {
        error = "A test is already running.";
        return false;
    }
    std::error_code ec;
    t.folder = (fs::temp_directory_path(ec) / ("courseforge_test_" + std::to_string(getpid()))).string();
    fs::create_directories(t.folder, ec);
    t.trackCopy = t.folder + "/test.trk";
    t.traceFile = t.folder + "/trace.json";
    fs::remove(t.traceFile, ec);
    static Editor copy;  // saving names the current file: the copy's, not the editor's
    copy.doc = e.doc;
    if (ec || !EditorSave(copy, t.trackCopy.c_str()).ok) {
        error = "Can't write the test copy of the track in " + t.folder + ".";
        return false;
    }
    const std::vector<std::string> args = {program, "--cars", std::to_string(cars), "--laps", std::to_string(laps),
                                           "--trace", t.traceFile, t.trackCopy};
    if (!aiTestRunner.start(args, error)) {
        error = "Can't start " + program + ": " + error;
        return false;
    }
    t.running = true;
    t.progress = 0;
    t.pending.clear();
    return true;
}

bool AiTestPoll(AiTest& t, Editor& e, AiTestResult& result, std::string& message)
{
    if (!t.running)
        return false;
    std::string output;
    const int status = aiTestRunner.poll(output);
    t.pending += output;
    for (size_t nl; (nl = t.pending.find('\n')) != std::string::npos; t.pending.erase(0, nl + 1)) {
        const std::string line = t.pending.substr(0, nl);
        float f = 0;
        if (std::sscanf(line.c_str(), "dwrace: progress %f", &f) == 1 && f >= 0 && f <= 1)
            t.progress = f;
    }
    if (status < 0)
        return false;
    t.running = false;
    message.clear();
    std::vector<uint8_t> bytes;
    // Exit status 1 only says a car did not finish: the trace tells the rest.
    if (status > 1 || !ReadWholeFile(t.traceFile.c_str(), bytes, 64u << 20) ||
        !ParseAiTrace(std::string(bytes.begin(), bytes.end()), e.doc.pixelsPerUnit, result)) {
        message = "The race program could not race the track" +
                  (status > 1 ? " (exit status " + std::to_string(status) + ")." : std::string("."));
        return true;
    }
    e.testMarks = result.marks;
    t.progress = 1;
    std::error_code ec;
    fs::remove_all(t.folder, ec);
    return true;
}

void AiTestCancel(AiTest& t)
{
    if (t.running)
        aiTestRunner.stop();
    t.running = false;
    std::error_code ec;
    if (!t.folder.empty())
        fs::remove_all(t.folder, ec);
}
