// --help, --version and wrong arguments, the same way for every program.
#include "trackfile/program_options.h"

#include <cstdio>
#include <cstring>

#ifndef DW_VERSION
#define DW_VERSION "unknown"
#endif

const char* ProgramVersion() { return DW_VERSION; }

int AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, DW_VERSION);
            return 0;
        }
    }
    return -1;
}

int UsageError(const char* program, const char* usage, const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    std::fputs(usage, stderr);
    return kUsageStatus;
}
