// Operating-system, stream, file and date helpers of the control library: length-prefixed strings
// in streams, the line reader and writer, folders and files, running programs, integer helpers,
// the calendar, week numbers, the time-mask formatter and time-zone conversion.
#pragma once

#include <functional>
#include <string>

#include "platform/Classes.h"
#include "platform/Windows.h"

// The library's text type.
using TExFString = std::string;

// ---------------------------------------------------------------- operating-system version flags
// This platform answers as the NT platform, version 5.1 (build 2600): the newest version the flags
// tell apart, so every "or later" branch takes its modern path.
extern bool IsWin95, IsWin95OSR2, IsWin98, IsWin98Up, IsWinME;
extern bool IsWinNT, IsWin2000, IsWin2000Up, IsWinNTUp, IsWinXP, IsWinXPUp;
extern bool IsLinux;  // never set

// ---------------------------------------------------------------- streams

// A file stream that keeps the name it was opened with (FileName()).
class TNamedFileStream : public TFileStream {
public:
    TNamedFileStream(const std::string& FileName, Word Mode) : TFileStream(FileName, Mode) {}
};

// A memory stream over the caller's block: reads and writes go to that memory, which the caller
// keeps owning. Writing never grows the block; a write past its end is cut short, and its size
// cannot change.
class TDirectMemoryStream : public TCustomMemoryStream {
public:
    void SetPointer(void* Ptr, Int64 Size);
    Int64 Write(const void* Buffer, Int64 Count) override;
    void SetSize(Int64 NewSize) override;

private:
    Byte* FBlock = nullptr;
};

// Strings as a 32-bit little-endian length followed by the characters. All report stream trouble
// as false. The readers never trust the length: a negative one, or one beyond what the stream
// still holds, fails without allocating; on failure the text is left as it was.
bool WriteStringToStream(TStream* Stream, const std::string& S);
bool ReadStringFromStream(TStream* Stream, std::string& S);
// The length counts 16-bit characters, two bytes each.
bool WriteWideStringToStream(TStream* Stream, const std::u16string& W);
bool ReadWideStringFromStream(TStream* Stream, std::u16string& W);
bool WriteFStringToStream(TStream* Stream, const TExFString& S);
// Unlike ReadStringFromStream, the text is always assigned: empty when the read fails.
bool ReadFStringFromStream(TStream* Stream, TExFString& S);

// Writes S and CR LF (unless S already ends with CR LF). A short write raises EWriteError.
void WriteTextToStream(TStream* Stream, const std::string& S);
// One line without its CR LF; false when the stream ended before a CR LF (S holds what was read).
bool ReadTextFromStream(TStream* Stream, std::string& S);

// ---------------------------------------------------------------- folders and files
// Folder results end with "/" unless empty. Shell folder identifiers map to their XDG
// counterparts (26 application data: the configuration home, 28 local application data: the
// data home, 5 documents, 0 desktop, ...); an identifier with no counterpart gives "".
std::string GetSpecialFolder(Integer FolderId);
std::string GetUserAppDataFolder();
std::string GetCommonAppDataFolder();
std::string GetUserLocalAppDataFolder();
std::string GetTempDir();
std::string GetSystemDir();
std::string GetWindowsDir();
std::string GetModulePath();
std::string GetShortPath(const std::string& Path);
std::string GetComputerName();
std::string GetTempFile();
std::string IncludeTrailingBackslash2(const std::string& S);
std::string AppendSlash(const std::string& S);
bool FileNameValid(const std::string& Name);
Integer GetFileSize(const std::string& FileName);       // -1 when no file matches
TDateTime FileDateTime(const std::string& FileName);  // 0 when the file does not exist
bool CreateFile(const std::string& FileName);
bool DirExists(const std::string& Dir);
void EnsureDirExists(const std::string& Dir, const std::string& SubDir);

// Starts Program with Params (split into arguments at blanks outside double quotes; "" inside
// quotes is a literal quote) in WorkDir (empty: the current folder). Returns the process id, or 0
// when it could not be started. The process is reaped in the background; nothing needs closing.
Integer RunProgram(const std::string& Program, const std::string& Params, const std::string& WorkDir);
// The platform's wave-sound player (PlaySoundA) with these arguments: non-zero when it played or stopped.
Integer PlaySound(const char* Name, std::uintptr_t Module, Integer Flags);
// There are no per-process privileges to switch here: always false.
bool SetPrivilege(const std::string& Name, bool Enable);

// ---------------------------------------------------------------- small helpers
inline Integer Min(Integer A, Integer B)
{
    return A < B ? A : B;
}
inline Integer Max(Integer A, Integer B)
{
    return A > B ? A : B;
}
inline bool InRange(Integer L, Integer R, Integer X)
{
    return L <= X && X <= R;
}
inline bool InRangeF(double L, double R, double X)
{
    return L <= X && X <= R;
}
inline Integer Sign(Integer X)
{
    return X < 0 ? -1 : (X > 0 ? 1 : 0);
}
bool RangesIntersect(Integer A1, Integer A2, Integer B1, Integer B2);
bool IsBIn(Integer Index, Byte B);
Integer swapInt32(Integer X);
void CenterRects(Integer W1, Integer W2, Integer H1, Integer H2, TRect& R);
std::string RectToString(const TRect& R);
// Fields that are missing or not integers keep 0.
TRect StringToRect(const std::string& S);
// 6-bit line encoding of at most 45 bytes; the first character (code 0) is left for the caller.
std::string encode_line(const void* Data, Integer Size);

// ---------------------------------------------------------------- windows and messages
struct TMessage;
using TShiftState = unsigned;

// Receives the messages of an XAllocateHWND window.
using TExWndMethod = std::function<void(TMessage& Message)>;
// A hidden tool window of the class "XExUtilWindow" whose messages go to Method (those it leaves
// for the system are its to hand to DefWindowProc). Obj is kept with the method.
HWND XAllocateHWND(TObject* Obj, TExWndMethod Method);
// Destroys the window and releases its record; the window's own method may call it.
void XDeallocateHWND(HWND Wnd);

// Drains the thread's message queue.
class TExMessagePump : public TObject {
public:
    // Takes one message off the queue and, unless it is WM_QUIT, translates and dispatches it;
    // false when the queue was empty. WM_QUIT is not dispatched: it asks the application to end.
    bool HandleMessage();
    void ProcessMessages();
};
using TMsgPumpRoutineEvent = std::function<void()>;
// Set by the unit's start-up to the global pump's ProcessMessages.
extern TMsgPumpRoutineEvent OnMessagePump;
extern TExMessagePump* ExMessagePump;

// Window searches: all top-level windows and, depth first, their children (WindowExists), or the
// top-level windows only (TopWindowExists). A window's text (up to 255 characters) is compared
// upper-cased: equal with Exact, otherwise containing Text. A class name, when given, restricts
// the search to windows of that class (compared without regard to case). TopWindowExists with
// UseFindWindow asks FindWindow for that class and exactly that title instead. The window found
// is also kept in LastWin, and this process's id in LastProcessID; 0 when none matches.
extern HWND LastWin;
extern DWORD LastProcessID;
HWND WindowExists(const std::string& ClassName, const std::string& Text, bool Exact);
HWND TopWindowExists(const std::string& ClassName, const std::string& Text, bool UseFindWindow);

// The modifier keys held now (shift, alt, control); never a mouse button.
TShiftState GetShiftState();
// 4 when shift is held, plus 8 when control is held.
Integer GetKeysState();

namespace ctlbase {
// The unit's start and end, counted: the first start makes the global pump and sets
// OnMessagePump, the last end frees it. The unit starts itself with the program.
void ExtoolsInitialize();
void ExtoolsFinalize();
}  // namespace ctlbase

// ---------------------------------------------------------------- dates and times

struct TReducedDateTime {
    Word Year = 0;
    Word Month = 0;
    Word DayOfWeek = 0;  // 0 = Sunday
    Word Day = 0;
    Word Hour = 0;
    Word Minute = 0;
};

// The system's time-zone record. Bias in minutes, UTC = local + Bias. A transition date with
// wYear 0 names the n-th weekday of its month (wDay 1-4, 5 = the last).
struct TTimeZoneInformation {
    Integer Bias = 0;
    std::u16string StandardName;
    TSystemTime StandardDate;
    Integer StandardBias = 0;
    std::u16string DaylightName;
    TSystemTime DaylightDate;
    Integer DaylightBias = 0;
};

Integer DateToJulianDays(Integer Day, Integer Month, Integer Year);
void JulianDaysToDate(Integer& Day, Integer& Month, Integer& Year, Integer MJD);
// Seconds since 1 January 1900 00:00, 64 bits wide so that it does not wrap in 2036.
Int64 ExDateTimeToSeconds(Integer Day, Integer Month, Integer Year, Integer Hour, Integer Min, Integer Sec);
void ExSecondsToDateTime(Int64 Seconds, Integer& Day, Integer& Month, Integer& Year, Integer& Hour, Integer& Min,
                         Integer& Sec);
Integer ExDayOfWeek(Integer Day, Integer Month, Integer Year);  // 1 = Sunday ... 7 = Saturday
Integer DaysPerMonth(Integer Year, Integer Month);              // 0 for a month outside 1..12
Integer DayNumber(Integer Year, Integer Month, Integer Day);
// ISO 8601 week: 1..53, weeks start on Monday and week 1 holds the year's first Thursday.
Integer WeekNumber(Integer Year, Integer Month, Integer Day);
TDateTime GetTime(TDateTime DT);
TDateTime ExtractTime(TDateTime DT);
TDateTime ExtractDate(TDateTime DT);
TDateTime IncTime(TDateTime DT, Integer Hours, Integer Minutes, Integer Seconds, Integer MSecs);
TDateTime IncDate(TDateTime DT, Integer Days, Integer Months, Integer Years);
TDateTime SubtractTimes(TDateTime T1, TDateTime T2);
TDateTime NowToUTC();
Integer GetSysStartDayOfWeek();  // 0 = Monday ... 6 = Sunday
TReducedDateTime MakeReducedDT(Word Year, Word Month, Word Day, Word DayOfWeek, Word Hour, Word Minute);
TReducedDateTime DateTimeToReduced(TDateTime DT);
TDateTime ReducedToDateTime(const TReducedDateTime& R);
bool CompareReducedDT(const TReducedDateTime& A, const TReducedDateTime& B);
// Mask "minute hour day day-of-week month", each "*" or a comma list of numbers.
bool TimeInMask(const std::string& Mask, const TReducedDateTime& R);
std::string GetFormattedTimeString(TDateTime DT, const std::string& Format);
extern const char* const ElementFormatList[38];

bool UTCToZoneLocal(const TTimeZoneInformation& TZ, TDateTime UTC, TDateTime& Local);
bool ExSystemTimeToTzSpecificLocalTime(const TTimeZoneInformation& TZ, TDateTime UTC, TDateTime& Local);
bool ZoneLocalToUTC(const TTimeZoneInformation& TZ, TDateTime& UTC, TDateTime Local);
Integer ZoneIDtoBias(const std::string& ZoneID);

namespace ctlbase {

// The clock and the locale facts the date helpers ask the system for. Tests replace them
// (SetSystemHooks returns the previous set so that it can be put back).
struct TSystemHooks {
    std::function<TDateTime()> NowUTC;    // the current time in UTC
    std::function<TDateTime()> NowLocal;  // the current local time
    // First day of the week, 0 = Monday ... 6 = Sunday; -1 when the locale cannot tell.
    std::function<Integer()> FirstDayOfWeek;
    // Whether the locale writes times on the 24-hour clock.
    std::function<bool()> Uses24HourClock;
};
TSystemHooks SetSystemHooks(TSystemHooks Hooks);
const TSystemHooks& SystemHooks();

}  // namespace ctlbase
