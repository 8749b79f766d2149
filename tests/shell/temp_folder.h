// A fresh temporary folder that becomes the program directory for one test,
// removed again afterwards.
#pragma once
#include "Game/shell/shell.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct TempFolder {
    std::string path;
    std::string savedBase;
    TempFolder() {
        char name[] = "/tmp/dwshellXXXXXX";
        path = mkdtemp(name) ? name : "";
        savedBase = baseDirectory;
        baseDirectory = path + "/";
        EnterBaseDirectory();
    }
    ~TempFolder() {
        baseDirectory = savedBase;
        if (!path.empty()) system(("rm -rf '" + path + "'").c_str());
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        FILE* f = fopen(File(name).c_str(), "wb");
        if (f) {
            fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
        }
    }
    std::vector<uint8_t> Read(const std::string& name) const {
        std::vector<uint8_t> out;
        FILE* f = fopen(File(name).c_str(), "rb");
        if (!f) return out;
        int c;
        while ((c = fgetc(f)) != EOF) out.push_back(uint8_t(c));
        fclose(f);
        return out;
    }
};
