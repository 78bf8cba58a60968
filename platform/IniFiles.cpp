#include "platform/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "platform/FileUtils.h"

namespace {

enum class Kind { Other, Section, Key };

struct Line {
    std::string Raw;
    Kind K = Kind::Other;
    std::string Name;   // section or key name, trimmed
    std::string Value;  // key value, trimmed, quotes kept
    int Section = -1;   // index of the section header this line belongs to; -1 before the first
};

struct Document {
    std::string Mark;  // a UTF-8 byte-order mark some editors put first; kept, never a name's part
    std::vector<Line> Lines;
    std::string Break = "\r\n";
};

bool IsContent(const Line& l)
{
    return l.K != Kind::Other || !(Trim(l.Raw).empty() || Trim(l.Raw)[0] == ';');
}

Line Classify(const std::string& raw)
{
    Line l;
    l.Raw = raw;
    const std::string t = Trim(raw);
    if (t.empty() || t[0] == ';') return l;
    if (t[0] == '[') {
        const size_t close = t.find(']');
        l.K = Kind::Section;
        l.Name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return l;
    }
    const size_t eq = raw.find('=');
    if (eq == std::string::npos) return l;
    l.Name = Trim(raw.substr(0, eq));
    if (l.Name.empty()) return l;
    l.K = Kind::Key;
    l.Value = Trim(raw.substr(eq + 1));
    return l;
}

// Reads the whole file; anything that stops the reading leaves what was read (or nothing).
std::string ReadAll(const std::string& path)
{
    std::string data;
    const int h = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (h < 0) return data;
    struct stat st {};
    if (::fstat(h, &st) == 0 && !S_ISDIR(st.st_mode)) {
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(h, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            data.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(h);
    return data;
}

Document Parse(const std::string& data)
{
    Document d;
    const size_t firstBreak = data.find_first_of("\r\n");
    if (firstBreak != std::string::npos && data[firstBreak] == '\n') d.Break = "\n";
    else if (firstBreak != std::string::npos && (firstBreak + 1 >= data.size() || data[firstBreak + 1] != '\n'))
        d.Break = "\r";
    size_t p = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        d.Mark = data.substr(0, 3);
        p = 3;
    }
    int section = -1;
    while (p < data.size()) {
        const size_t start = p;
        while (p < data.size() && data[p] != '\r' && data[p] != '\n') ++p;
        Line l = Classify(data.substr(start, p - start));
        if (l.K == Kind::Section) section = static_cast<int>(d.Lines.size());
        l.Section = section;
        d.Lines.push_back(std::move(l));
        if (p < data.size() && data[p] == '\r') ++p;
        if (p < data.size() && data[p] == '\n') ++p;
    }
    return d;
}

std::string Serialize(const Document& d)
{
    std::string out = d.Mark;
    for (const Line& l : d.Lines) {
        out += l.Raw;
        out += d.Break;
    }
    return out;
}

bool InSection(const Document& d, const Line& l, const std::string& section)
{
    return l.Section >= 0 && SameText(d.Lines[static_cast<size_t>(l.Section)].Name, section);
}

int FindKey(const Document& d, const std::string& section, const std::string& key)
{
    for (size_t i = 0; i < d.Lines.size(); ++i) {
        const Line& l = d.Lines[i];
        if (l.K == Kind::Key && SameText(l.Name, key) && InSection(d, l, section)) return static_cast<int>(i);
    }
    return -1;
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

[[noreturn]] void WriteFailed(const std::string& fileName)
{
    throw EIniFileException(Format("Unable to write to %s", fileName.c_str()));
}

bool HasBreak(const std::string& s)
{
    return s.find_first_of("\r\n") != std::string::npos;
}

// Names in first-seen order, each spelling of a name once; a set of the upper-cased names keeps a
// file of many names from costing the square of their number.
struct NameList {
    std::vector<std::string> Names;
    std::unordered_set<std::string> Seen;

    // Adds name unless it is there already in another spelling; true when it was added.
    bool AddOnce(const std::string& name)
    {
        if (!Seen.insert(UpperCase(name)).second) return false;
        Names.push_back(name);
        return true;
    }
};

void Fill(TStrings* Strings, const std::vector<std::string>& items)
{
    Strings->BeginUpdate();
    try {
        Strings->Clear();
        for (const std::string& s : items) Strings->Add(s);
    } catch (...) {
        Strings->EndUpdate();
        throw;
    }
    Strings->EndUpdate();
}

// Writes the document back without the lines marked in drop.
void StoreWithout(Document& d, const std::vector<bool>& drop, const std::string& path,
                  const std::string& fileName)
{
    Document kept;
    kept.Mark = d.Mark;
    kept.Break = d.Break;
    for (size_t i = 0; i < d.Lines.size(); ++i)
        if (!drop[i]) kept.Lines.push_back(std::move(d.Lines[i]));
    if (!StoreFileContents(path, Serialize(kept))) WriteFailed(fileName);
}

}  // namespace

TIniFile::TIniFile(const std::string& FileName) : FFileName(FileName) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const
{
    const std::string key = Trim(Ident);
    if (Section.empty() || key.empty()) return Default;
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    const int i = FindKey(d, Trim(Section), key);
    return i < 0 ? Default : Unquote(d.Lines[static_cast<size_t>(i)].Value);
}

Integer TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, Integer Default) const
{
    return StrToIntDef(ReadString(Section, Ident, std::string()), Default);
}

double TIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default) const
{
    return StrToFloatDef(ReadString(Section, Ident, std::string()), Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    const std::string section = Trim(Section);
    const std::string key = Trim(Ident);
    if (section.empty() || key.empty() || HasBreak(section) || section.find(']') != std::string::npos ||
        HasBreak(key) || key.find('=') != std::string::npos || key[0] == '[' || key[0] == ';')
        WriteFailed(FFileName);
    std::string value = Value;
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    // Reading trims blanks and control bytes at the ends: a value that has any goes in double quotes,
    // which the reading takes off again. (A value in quotes of its own is the caller's way of keeping
    // its blanks and is written as it is.)
    if (value != Trim(value)) value = "\"" + value + "\"";

    const std::string path = NativeFileName(FFileName);
    Document d = Parse(ReadAll(path));
    const int found = FindKey(d, section, key);
    if (found >= 0) {
        Line& l = d.Lines[static_cast<size_t>(found)];
        l.Raw = l.Name + "=" + value;
    } else {
        // After the last entry of the section's last occurrence, so that blank lines and comments
        // that lead into the next section stay with it.
        int at = -1;
        for (size_t i = 0; i < d.Lines.size(); ++i) {
            const Line& l = d.Lines[i];
            if (InSection(d, l, section) && (l.K == Kind::Section || IsContent(l))) at = static_cast<int>(i);
        }
        Line nl;
        nl.Raw = key + "=" + value;
        if (at >= 0) {
            d.Lines.insert(d.Lines.begin() + at + 1, std::move(nl));
        } else {
            if (!d.Lines.empty() && !Trim(d.Lines.back().Raw).empty()) d.Lines.push_back(Line{});
            Line header;
            header.Raw = "[" + section + "]";
            d.Lines.push_back(std::move(header));
            d.Lines.push_back(std::move(nl));
        }
    }
    if (!StoreFileContents(path, Serialize(d))) WriteFailed(FFileName);
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, Integer Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

void TIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value)
{
    WriteString(Section, Ident, FloatToStr(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& Section) const
{
    const std::string section = Trim(Section);
    if (section.empty()) return false;
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    for (const Line& l : d.Lines)
        if (l.K == Kind::Section && SameText(l.Name, section)) return true;
    return false;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const
{
    const std::string key = Trim(Ident);
    if (key.empty()) return false;
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    return FindKey(d, Trim(Section), key) >= 0;
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) const
{
    const std::string section = Trim(Section);
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    NameList names;
    for (const Line& l : d.Lines) {
        if (l.K != Kind::Key || !InSection(d, l, section)) continue;
        names.AddOnce(l.Name);
    }
    Fill(Strings, names.Names);
}

void TIniFile::ReadSections(TStrings* Strings) const
{
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    NameList names;
    for (const Line& l : d.Lines) {
        if (l.K != Kind::Section) continue;
        names.AddOnce(l.Name);
    }
    Fill(Strings, names.Names);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) const
{
    const std::string section = Trim(Section);
    const Document d = Parse(ReadAll(NativeFileName(FFileName)));
    NameList names;
    std::vector<std::string> lines;
    for (const Line& l : d.Lines) {
        if (l.K != Kind::Key || !InSection(d, l, section)) continue;
        if (names.AddOnce(l.Name)) lines.push_back(l.Name + "=" + Unquote(l.Value));
    }
    Fill(Strings, lines);
}

void TIniFile::EraseSection(const std::string& Section)
{
    const std::string section = Trim(Section);
    if (section.empty()) return;
    const std::string path = NativeFileName(FFileName);
    Document d = Parse(ReadAll(path));
    // Each occurrence goes from its header to its last entry; blank lines and comments after that
    // lead into whatever follows and stay.
    std::vector<bool> drop(d.Lines.size(), false);
    bool any = false;
    for (size_t i = 0; i < d.Lines.size(); ++i) {
        if (d.Lines[i].K != Kind::Section || !SameText(d.Lines[i].Name, section)) continue;
        any = true;
        size_t last = i;
        for (size_t j = i + 1; j < d.Lines.size() && d.Lines[j].Section == static_cast<int>(i); ++j)
            if (IsContent(d.Lines[j])) last = j;
        for (size_t j = i; j <= last; ++j) drop[j] = true;
    }
    if (any) StoreWithout(d, drop, path, FFileName);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident)
{
    const std::string section = Trim(Section), key = Trim(Ident);
    if (section.empty() || key.empty()) return;
    const std::string path = NativeFileName(FFileName);
    Document d = Parse(ReadAll(path));
    std::vector<bool> drop(d.Lines.size(), false);
    bool any = false;
    for (size_t i = 0; i < d.Lines.size(); ++i) {
        const Line& l = d.Lines[i];
        if (l.K == Kind::Key && SameText(l.Name, key) && InSection(d, l, section)) drop[i] = any = true;
    }
    if (any) StoreWithout(d, drop, path, FFileName);
}
