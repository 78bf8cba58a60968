// Shared by the fuzz targets: a failed check that every engine reports, scratch files for readers
// that take a file name, and a canonical listing of a settings store for the round trips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TExIniFile;
class TStream;

namespace fuzz {

// Ends the run with the message; libFuzzer keeps the input as a crash, the replay names its file.
[[noreturn]] void Fail(const char* What, const std::string& Detail);
#define FUZZ_CHECK(cond, detail) ((cond) ? (void)0 : ::fuzz::Fail(#cond, (detail)))

// The bytes as a string.
inline std::string Bytes(const std::uint8_t* Data, std::size_t Size)
{
    return std::string(reinterpret_cast<const char*>(Data), Size);
}

// A file of this process in a scratch folder (in memory where the system has one), made anew by
// each Write; Name is a plain file name.
std::string ScratchPath(const std::string& Name);
void WriteFile(const std::string& Path, const std::string& Bytes);
std::string ReadFile(const std::string& Path);

// Loads Bytes into Ini through LoadFromStream; false when the store refused them (EExIniError),
// the store then unchanged.
bool LoadStore(TExIniFile& Ini, const std::string& Bytes);
std::string SaveStore(TExIniFile& Ini);
// Every key and value of the store in order, with types and exact contents. With BareNamesFree,
// names "#" + digits of text values (nameless lines, named after the line they stood on) are
// listed without their number.
// With FlatText, booleans are listed as the numbers the flat text form writes them as. With
// TextOrder, each key's plain values come first and its sub-keys after them, as the text form
// writes them (it keeps the order of the values and of the keys, not how they interleave).
std::string Listing(TExIniFile& Ini, bool BareNamesFree = false, bool FlatText = false, bool TextOrder = false);

}  // namespace fuzz
