// Replays the corpus of one fuzz target: every file of its folder through the target's entry, so
// that inputs once found keep being tried by every build. Usage: fuzz_replay TARGET FOLDER.
#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzTargets.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET FOLDER\n");
        return 2;
    }
    const fuzz::TTarget* target = nullptr;
    for (const auto& t : fuzz::Targets)
        if (std::strcmp(t.Name, argv[1]) == 0) target = &t;
    if (target == nullptr) {
        std::fprintf(stderr, "fuzz_replay: no target %s\n", argv[1]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<std::string> files;
    if (DIR* d = opendir(argv[2])) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(std::string(argv[2]) + "/" + e->d_name);
        closedir(d);
    }
    if (files.empty()) {
        std::fprintf(stderr, "fuzz_replay: %s holds no inputs\n", argv[2]);
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        const std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // A failing input aborts with the target's message; the file's name comes first.
        std::fprintf(stderr, "%s\n", f.c_str());
        target->Run(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    }
    std::printf("%s: %zu inputs replayed\n", target->Name, files.size());
    return 0;
}
