// The command-line conventions every program follows: --help prints the
// usage on standard output, --version the version, both with status 0; a
// wrong argument prints the usage on standard error with status 2.
#pragma once
#include <string>

constexpr int kUsageStatus = 2;  // exit status for a wrong command line

const char* ProgramVersion();

// Answers --help or --version anywhere on the command line (before "--"):
// prints and returns 0. Returns -1 when neither is there.
int AnswerHelpOrVersion(int argc, char** argv, const char* program, const char* usage);

// Prints "program: message" (unless empty) and the usage on standard error;
// returns kUsageStatus for the caller to exit with.
int UsageError(const char* program, const char* usage, const std::string& message);
