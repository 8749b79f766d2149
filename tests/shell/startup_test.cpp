// The built game started as a process on the dummy video driver.
#include "temp_folder.h"
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status = -1;      // exit status, or -1 when it did not exit by itself
    std::string errors;   // standard error
};

// True when the process has a handler for SIGTERM (SigCgt in /proc).
bool CatchesSigterm(pid_t pid) {
    FILE* f = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!f) return false;
    char line[256];
    unsigned long long mask = 0;
    while (fgets(line, sizeof line, f)) {
        if (sscanf(line, "SigCgt: %llx", &mask) == 1) break;
    }
    fclose(f);
    return (mask >> (SIGTERM - 1)) & 1;
}

// Runs a copy of the game in dir; when stopAfterMs is set, sends SIGTERM
// (which SDL turns into a quit request) that long after SDL is up.
Outcome RunGameIn(const TempFolder& dir, int stopAfterMs) {
    Outcome out;
    pid_t pid = fork();
    if (pid == 0) {
        int err = open(dir.File("stderr.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (chdir("/") != 0) _exit(120);
        std::string exe = dir.File("Dustwhirl");
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(121);
    }
    if (pid < 0) return out;
    int status = 0;
    if (stopAfterMs > 0) {
        // SIGTERM only once SDL catches it (it then becomes a quit request);
        // on a busy machine the start-up may take a while to get there.
        for (int i = 0; i < 1000 && !CatchesSigterm(pid) && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(10000);
        usleep(stopAfterMs * 1000);
        kill(pid, SIGTERM);
    }
    // Bounded wait so a hung game fails the test instead of stalling it.
    pid_t done = 0;
    for (int i = 0; i < 1000 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i) usleep(10000);
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return out;
    }
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::vector<uint8_t> e = dir.Read("stderr.log");
    out.errors.assign(e.begin(), e.end());
    return out;
}

void CopyRunFolder(const TempFolder& dir) {
    ASSERT_EQ(system(("cp -r '" DW_RUN_DIR "/.' '" + dir.path + "/'").c_str()), 0);
    remove(dir.File("options.set").c_str());
}

}  // namespace

TEST(GameProcess, QuitRequestEndsCleanlyAndSavesTheOptions) {
    TempFolder dir;
    CopyRunFolder(dir);
    Outcome o = RunGameIn(dir, 300);
    EXPECT_EQ(o.status, 0) << o.errors;
    std::vector<uint8_t> options = dir.Read("options.set");
    ASSERT_EQ(options.size(), 107u);
    EXPECT_EQ(options[0], 74);
    EXPECT_EQ(options[1] | options[2] | options[3], 0);
}

TEST(GameProcess, BadOrMissingFontFailsTheStart) {
    TempFolder dir;
    CopyRunFolder(dir);
    std::vector<uint8_t> font = dir.Read("font.bmp");
    ASSERT_GT(font.size(), 62u);
    // Pixel data size field (offset 34) other than 16000.
    font[34] = 0x41;
    font[35] = 0x3E;
    dir.Write("font.bmp", std::string(font.begin(), font.end()));
    Outcome bad = RunGameIn(dir, 0);
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.errors.find("Error!\nFailed to initialize the game system.\n"), std::string::npos) << bad.errors;
    EXPECT_TRUE(dir.Read("options.set").empty());  // a failed start saves nothing

    remove(dir.File("font.bmp").c_str());
    Outcome missing = RunGameIn(dir, 0);
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.errors.find("Failed to initialize the game system."), std::string::npos);
}
