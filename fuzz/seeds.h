// Seeds for targets whose format has no sample among the shipped data:
// fuzz/run.sh sets DW_FUZZ_SEEDS to the corpus folder, and a target's
// LLVMFuzzerInitialize writes a few valid files there before the corpus is read.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline void WriteFuzzSeed(const char* name, const std::vector<uint8_t>& bytes)
{
    const char* folder = std::getenv("DW_FUZZ_SEEDS");
    if (!folder || !*folder)
        return;
    std::string path = std::string(folder) + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}
