// Every way the libraries save a file, run over an old file through the faults a save meets: a full
// disk, a failing write, a folder the user may not write to (the file is then rewritten where it
// stands), a name as long as the file system allows, and a pipe that no program reads. Each fault
// must end the save with a failure (raised, or answered false) and leave the old file as it was with
// nothing beside it; each way must also succeed when nothing fails. Faults are put in through the
// platform's store (SetStoreFaults), so no special file system is needed.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace savetest {

struct TSavePath {
    std::string Name;
    // The file's extension, where the path writes by it (".png"); may be empty.
    std::string Ext;
    // Saves into File over what is there; answers false (or raises) when the save failed. It may
    // read the old file first (a settings file does): the old file holds settings-file comments.
    std::function<bool(const std::string& File)> Save;
};

inline void PrintTo(const TSavePath& Path, std::ostream* Os) { *Os << Path.Name; }

// Runs Path through every fault and every way, reporting through gtest.
void ExpectEveryFaultKeepsTheOldFile(const TSavePath& Path);

}  // namespace savetest
