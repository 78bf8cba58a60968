#include "receiver/Settings.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace rx {

namespace {

std::size_t SkipBlanks(const std::string& t)
{
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r')))
        ++i;
    return i;
}

}  // namespace

Integer ScanInteger(const std::string& text, Integer def)
{
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return def;
    std::int64_t v = 0;
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<Integer>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (v <= limit)
            v = v * 10 + (text[i] - '0');
    if (negative)
        v = -v;
    if (v > std::numeric_limits<Integer>::max())
        return std::numeric_limits<Integer>::max();
    if (v < std::numeric_limits<Integer>::min())
        return std::numeric_limits<Integer>::min();
    return static_cast<Integer>(v);
}

double ScanFloat(const std::string& text, double def)
{
    std::size_t i = SkipBlanks(text);
    // from_chars takes no plus sign; it reads no locale either, which is the point.
    if (i < text.size() && text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-')
        ++i;
    double v = 0;
    const auto r = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (r.ec == std::errc::invalid_argument)
        return def;
    return v;
}

std::string FloatText(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

// ---- PTT interface

const std::array<TPttPort, kPttPorts> PttPorts = {{
    {"NonePtt", "NONE", 0, "NONE", false, 0, 0},
    {"Com1Ptt", "COM1", 1, "COM1", true, 0, 0},
    {"Com2Ptt", "COM2", 2, "COM2", true, 0, 0},
    {"Com3Ptt", "COM3", 3, "COM3", true, 0, 0},
    {"Com4Ptt", "COM4", 4, "COM4", true, 0, 0},
    {"Com5Ptt", "COM5", 11, "COM5", true, 0, 0},
    {"Com6Ptt", "COM6", 12, "COM6", true, 0, 0},
    {"Com7Ptt", "COM7", 13, "COM7", true, 0, 0},
    {"Com8Ptt", "COM8", 14, "COM8", true, 0, 0},
    {"Com9Ptt", "COM9", 15, "COM9", true, 0, 0},
    {"LPT378Ptt", "LPT-378", 5, "LPT-378", false, 0x26, 0xC0},
    {"Lpt278Ptt", "LPT-278", 6, "LPT-278", false, 0x26, 0xC0},
    {"Lpt3BCPtt", "LPT-3BC", 7, "LPT-3BC", false, 0x26, 0xC0},
    {"LPT378QX5BPtt", "LPT-378 (QX5B-compatible)", 8, "LPT-378/QX5B", false, 0x04, 0x01},
    {"LPT278QX5BPtt", "LPT-278 (QX5B-compatible)", 9, "LPT-278/QX5B", false, 0x04, 0x01},
    {"LPT3BCQX5BPtt", "LPT-3BC (QX5B-compatible)", 10, "LPT-3BC/QX5B", false, 0x04, 0x01},
}};

const std::array<TPttLine, kPttLines> PttLines = {{
    {"UseRTS1", "Use RTS for PTT", 2, "RTS"},
    {"UseDTR1", "Use DTR for PTT", 1, "DTR"},
    {"UseRTSDTR1", "Use RTS and DTR for PTT", 3, "RTS and DTR"},
}};

TPttChoice ChoosePtt(int port, int mask)
{
    TPttChoice c;
    c.LineItem = mask == 1 ? 1 : mask == 3 ? 2 : 0;
    const TPttLine& line = PttLines[static_cast<std::size_t>(c.LineItem)];
    c.Mask = line.Mask;
    for (std::size_t i = 0; i < PttPorts.size(); ++i)
        if (PttPorts[i].Code == port)
            c.PortItem = static_cast<int>(i);
    const TPttPort& p = PttPorts[static_cast<std::size_t>(c.PortItem)];
    c.Port = p.Code;
    c.First = p.Com ? static_cast<Byte>(c.Mask) : p.First;
    c.Second = p.Second;
    c.MenuCaption = std::string("PTT Interface (") + p.Shown + (p.Com ? std::string("/") + line.Shown : "") + ")";
    return c;
}

void StorePtt(TTtyParams& p, const TPttChoice& c)
{
    p.ComMask = c.Mask;
    p.KeyPortNumber = c.Port;
    p.PttByte1 = c.First;
    p.PttByte2 = c.Second;
}

// ---- time zone

const std::array<TTimeZone, kTimeZones> TimeZones = {{
    {"ByOS1", "By OS", -1, false},          {"UTCm1200", "UTC -12:00", 720, false},
    {"UTCm1100", "UTC -11:00", 660, false}, {"UTCm1000", "UTC -10:00", 600, false},
    {"UTCm0900", "UTC -09:00", 540, false}, {"UTCm0800", "UTC -08:00", 480, false},
    {"UTCm0700", "UTC -07:00", 420, false}, {"UTCm0600", "UTC -06:00", 360, false},
    {"UTCm0500", "UTC -05:00", 300, false}, {"UTCm0400", "UTC -04:00", 240, true},
    {"UTCm0330", "UTC -03:30", 210, false}, {"UTCm0300", "UTC -03:00", 180, false},
    {"UTCm0230", "UTC -02:30", 150, false}, {"UTCm0200", "UTC -02:00", 120, false},
    {"UTCm0100", "UTC -01:00", 60, false},  {"UTC0000", "UTC", 0, false},
    {"UTCp0100", "UTC +01:00", -60, false}, {"UTCp0200", "UTC +02:00", -120, false},
    {"UTCp0300", "UTC +03:00", -180, true}, {"UTCp0330", "UTC +03:30", -210, false},
    {"UTCp0400", "UTC +04:00", -240, false}, {"UTCp0430", "UTC +04:30", -270, false},
    {"UTCp0500", "UTC +05:00", -300, false}, {"UTCp0530", "UTC +05:30", -330, false},
    {"UTCp0600", "UTC +06:00", -360, false}, {"UTCp0630", "UTC +06:30", -390, false},
    {"UTCp0700", "UTC +07:00", -420, false}, {"UTCp0800", "UTC +08:00", -480, true},
    {"UTCp0900", "UTC +09:00", -540, false}, {"UTCp0930", "UTC +09:30", -570, false},
    {"UTCp1000", "UTC +10:00", -600, false}, {"UTCp1030", "UTC +10:30", -630, false},
    {"UTCp1100", "UTC +11:00", -660, false}, {"UTCp1200", "UTC +12:00", -720, false},
}};

int ClampUtcOffset(int offset)
{
    if (offset < -kMaxUtcOffset)
        return -kMaxUtcOffset;
    if (offset > kMaxUtcOffset)
        return kMaxUtcOffset;
    return offset;
}

int TimeZoneItem(int offset)
{
    for (std::size_t i = 0; i < TimeZones.size(); ++i)
        if (TimeZones[i].Offset == offset)
            return static_cast<int>(i);
    return -1;
}

std::string TimeZoneCaption(int offset)
{
    if (offset == -1)
        return "Time Zone (By OS)";
    if (offset == 0)
        return "Time Zone (UTC)";
    const int magnitude = offset < 0 ? -offset : offset;
    char buf[48];
    std::snprintf(buf, sizeof buf, "Time Zone (UTC %c%02d:%02d)", offset > 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return buf;
}

}  // namespace rx
