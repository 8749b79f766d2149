// Runs a shell command line for a test and keeps what it wrote to standard
// output and how it ended.
#pragma once
#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandResult {
    int status = -1;   // exit status, -1 when it did not exit normally
    std::string out;
};

inline CommandResult RunCommand(const std::string& command)
{
    CommandResult r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
