// The message archive: the saved message files as date nodes with time children, in date and
// time order, and the reading of one file for the viewer. The node texts are the only record of a
// node's file: its name is rebuilt from them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/Classes.h"

namespace rx {

extern const char* const MonthNames[12];
// Month 1..12 of the first name equal to Name, 0 when none is.
int MonthNumber(const std::string& Name);

// What a message file's name says: the two-digit year and the local date and time of its saving.
struct TMessageStamp {
    int Year = 0;  // 0..99
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The year a two-digit year stands for: 69..99 are 1969..1999, 00..68 are 2000..2068, so that the
// archive stays in date order across the turn of the century.
int FullYear(int TwoDigitYear);

// A name the program saves: six digits, '-', six digits, ".TXT" (this case only: the name is
// rebuilt so from the nodes), with the month 1..12, the day 1..31, the hour 0..24, and minutes
// and seconds 0..59.
bool ParseMessageName(const std::string& Name, TMessageStamp& Stamp);
std::string DateNodeText(const TMessageStamp& Stamp);  // "15 Mar 07"
std::string TimeNodeText(const TMessageStamp& Stamp);  // "06:15:02"

// Negative, 0 or positive as the date Day/Month/Year (two-digit year) lies before, on or after the
// date of a date node's text.
int CompareDateNode(int Day, int Month, int Year, const std::string& Text);
// The order of two date nodes' texts (negative: First before Second).
int CompareDateTexts(const std::string& First, const std::string& Second);

// "Messages/yymmdd-hhmmss.TXT" rebuilt from a date node's and a time node's text.
std::string MessageFilePath(const std::string& DateText, const std::string& TimeText);

// The message file names in Dir, in date and time order (names of one second in byte order).
std::vector<std::string> ListMessageFiles(const std::string& Dir);

// A message file read for the viewer through its open handle: its bytes, followed by the read
// error's text should a read fail. Every Pause bytes it calls Between, so that whoever reads a
// large file can let other work run meanwhile.
class TMessageFileStream : public TStream {
public:
    TMessageFileStream(int Handle, std::size_t Pause, std::function<void()> Between);
    Int64 Read(void* Buffer, Int64 Count) override;
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

private:
    int FHandle;
    std::size_t FPause;
    std::function<void()> FBetween;
    std::size_t FSinceBetween = 0;
    Int64 FPosition = 0;
    bool FEnded = false;
    std::string FTail;
    std::size_t FTailAt = 0;
};
// Bytes of a message file read between two looks at the sound buffers.
constexpr std::size_t kViewerPause = std::size_t{1} << 20;

// Opens a file in the desktop's text editor: the desktop's opener, or when the desktop has none
// the program named by $VISUAL (else $EDITOR), in a terminal emulator when one is found. False
// when nothing could be started.
bool OpenInTextEditor(const std::string& Path);
// The terminal emulator to run an editor in: $TERMINAL, else x-terminal-emulator, else xterm, the
// first found (a name without '/' on $PATH); empty when there is none.
std::string FindTerminal();

}  // namespace rx
