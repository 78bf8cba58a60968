// The settings file's names and the number forms its values are read and written in, the PTT port
// and line choice, and the time-zone choice. Nothing here touches a window.
#pragma once

#include <array>
#include <string>

#include "receiver/RxParams.h"

namespace rx {

// The file sits in the working directory, which need not be the program's.
inline constexpr char kSettingsFile[] = ".\\MORVIK.INI";
// Help: a plain text beside the program.
inline constexpr char kHelpFile[] = "morvik-help.txt";

// Creation reads "OnTop" and "UTCoffset" of "RTTY"; the main section bears that name and its
// on-top key that key's, so that both survive a restart.
inline constexpr char kMainSection[] = "RTTY";
inline constexpr char kWindowSection[] = "Window";
inline constexpr char kFontSection[] = "Font";

namespace key {
inline constexpr char OnTop[] = "OnTop";
inline constexpr char Afc[] = "AFC";
inline constexpr char AfcSpeed[] = "AFCSpeed";
inline constexpr char IsSquelch[] = "IsSquelch";
inline constexpr char SquelchThreshold[] = "SquelchThreshold";
inline constexpr char SamplingFreq[] = "SamplingFreq";
inline constexpr char Mode[] = "Mode";
inline constexpr char Baud[] = "BaudRate";
inline constexpr char Shift[] = "Shift";
inline constexpr char Reverse[] = "Reverse";
inline constexpr char UnshiftOnSpace[] = "UnshiftOnSpace";
inline constexpr char CentreBin[] = "CentreBin";
inline constexpr char DoFastSync[] = "DoFastSync";
inline constexpr char IgnoreSYNOP[] = "IgnoreSYNOP";
inline constexpr char SoundCardNumber[] = "SoundCardNumber";
inline constexpr char Charset[] = "Charset";  // the main and the font section's character set
inline constexpr char UserCharsetFile[] = "UserCharsetFile";
inline constexpr char ExtendedBaudot[] = "ExtendedBaudot";
inline constexpr char KeyPortNumber[] = "KeyPortNumber";
inline constexpr char ComMask[] = "ComMask";
inline constexpr char OscShow[] = "OscShow";
inline constexpr char LogarithmicSpectrum[] = "LogarithmicSpectrum";
inline constexpr char LogarithmicOscillogram[] = "LogarithmicOscillogram";
inline constexpr char UTCoffset[] = "UTCoffset";
inline constexpr char Left[] = "Left";
inline constexpr char Top[] = "Top";
inline constexpr char Height[] = "Height";  // the window's and the font's height
inline constexpr char Width[] = "Width";
inline constexpr char SpectrumHeight[] = "SHeight";
inline constexpr char ReceiveHeight[] = "RHeight";
inline constexpr char MHeight[] = "MHeight";
inline constexpr char DHeight[] = "DHeight";
inline constexpr char FFTBackground[] = "FFTBackground";
inline constexpr char OscBackground[] = "OscBackground";
inline constexpr char FontName[] = "Name";
inline constexpr char FontColor[] = "Color";
inline constexpr char Pitch[] = "Pitch";
inline constexpr char Size[] = "Size";
inline constexpr char Style[] = "Style";
inline constexpr char Background[] = "Background";
}  // namespace key

// A C-style decimal scan: blanks, a sign, then digits up to the first other character. A text
// with no digit there gives def; a number beyond 32 bits stops at the nearest limit.
Integer ScanInteger(const std::string& text, Integer def);
// The same for a floating number, always with a point, whatever the user's locale says.
double ScanFloat(const std::string& text, double def);
// General format with up to 15 significant digits and a point ("11025", "11024.5").
std::string FloatText(double value);

// ---- PTT interface

constexpr int kPttPorts = 16;
constexpr int kPttLines = 3;

struct TPttPort {
    const char* Name;     // the menu item's name
    const char* Caption;  // the menu item's caption
    int Code;
    const char* Shown;  // in the sub-menu's caption; a COM port adds "/" and its line
    bool Com;
    Byte First, Second;  // a COM port's first byte is its line mask
};
// In menu order.
extern const std::array<TPttPort, kPttPorts> PttPorts;

struct TPttLine {
    const char* Name;
    const char* Caption;
    int Mask;
    const char* Shown;
};
extern const std::array<TPttLine, kPttLines> PttLines;

// What a port code and line mask come to: unknown codes are no port, unknown masks RTS.
struct TPttChoice {
    int PortItem = 0;  // index into PttPorts
    int LineItem = 0;  // index into PttLines
    Integer Port = 0;
    Integer Mask = 2;
    Byte First = 0, Second = 0;
    std::string MenuCaption;
};
TPttChoice ChoosePtt(int port, int mask);
// Stores the choice in the record; nothing is opened or keyed.
void StorePtt(TTtyParams& p, const TPttChoice& c);

// ---- time zone

constexpr int kTimeZones = 34;
constexpr int kMaxUtcOffset = 780;

struct TTimeZone {
    const char* Name;
    const char* Caption;
    int Offset;   // minutes that added to local time give UTC; -1 by the system
    bool Break;   // a new menu column starts here
};
// In menu order.
extern const std::array<TTimeZone, kTimeZones> TimeZones;

int ClampUtcOffset(int offset);
// The item of an offset, or -1 when no item has it.
int TimeZoneItem(int offset);
std::string TimeZoneCaption(int offset);

}  // namespace rx
