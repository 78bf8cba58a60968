// What the settings store's own files share: tests on names and entries, making an entry, reading
// a decimal number, deleting a registry tree and the keeper of the current key. Included only by
// the store's files (Exini*.cpp).
#pragma once

#include <string>
#include <vector>

#include "ctlbase/Exini.h"

namespace exini {

bool NoName(const std::string& Name);
// Holds a value of its own (a key may hold one too).
bool IsValue(const TExIniEntry* E);
// Val-style reading of a decimal 32-bit integer: 0 on success, else the 1-based position of the fault.
Integer Val32(const std::string& T, Integer& V);
bool Decimal32(const std::string& T, Integer& V);
TExIniEntry* AddChild(TExIniEntry* Parent, const std::string& Name, bool Key);
bool DeleteRegTree(HKEY Parent, const std::string& Name);

}  // namespace exini

// Remembers the current key for the length of an operation and opens it again afterwards. Keys that
// the operation renames or moves carry the remembered path along (Repath); when the remembered key
// is gone, the deepest key of its path that is left becomes current.
class TExIniFile::KeyKeeper {
public:
    explicit KeyKeeper(TExIniFile* F) : FFile(F), FSaved(F->CurrentKey()) { F->FKeepers.push_back(&FSaved); }
    ~KeyKeeper()
    {
        FFile->FKeepers.pop_back();
        try {
            FFile->OpenKey(FSaved, false);
        } catch (...) {
            // Nothing to report from here; the store stays usable.
        }
    }
    KeyKeeper(const KeyKeeper&) = delete;
    KeyKeeper& operator=(const KeyKeeper&) = delete;

private:
    TExIniFile* FFile;
    std::string FSaved;
};
