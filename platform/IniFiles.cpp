#include "platform/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
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
    int Next = -1;      // the line after this one in the file; -1 for the last
};

}  // namespace

// The file as lines. A line keeps its index for the document's life: a new line goes to the end of
// Lines and is linked into its place, so that the lookup index and section references stay valid.
struct TIniDocument {
    std::string Mark;  // a UTF-8 byte-order mark some editors put first; kept, never a name's part
    std::vector<Line> Lines;
    int Head = -1;
    int Tail = -1;
    std::string Break = "\r\n";

    // For a document that serves many calls (an update), by upper-cased section name: the section's
    // key lines in file order, and the line after which a new key of it goes (its last entry in its
    // last occurrence).
    bool Indexed = false;
    std::unordered_map<std::string, std::vector<int>> SectionKeys;
    std::unordered_map<std::string, int> SectionEnds;

    void Append(Line l)
    {
        const int i = static_cast<int>(Lines.size());
        Lines.push_back(std::move(l));
        if (Tail >= 0)
            Lines[static_cast<size_t>(Tail)].Next = i;
        else
            Head = i;
        Tail = i;
    }
    // Links a new line in after line at; returns its index.
    int InsertAfter(int at, Line l)
    {
        const int i = static_cast<int>(Lines.size());
        l.Next = Lines[static_cast<size_t>(at)].Next;
        Lines.push_back(std::move(l));
        Lines[static_cast<size_t>(at)].Next = i;
        if (Tail == at)
            Tail = i;
        return i;
    }
};

namespace {

using Document = TIniDocument;

std::string_view TrimView(std::string_view s);

bool IsContent(const Line& l)
{
    if (l.K != Kind::Other) return true;
    const std::string_view t = TrimView(l.Raw);
    return !(t.empty() || t[0] == ';');
}

std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

Line Classify(std::string_view raw)
{
    Line l;
    l.Raw.assign(raw);
    const std::string_view t = TrimView(raw);
    if (t.empty() || t[0] == ';') return l;
    if (t[0] == '[') {
        const size_t close = t.find(']');
        l.K = Kind::Section;
        l.Name = TrimView(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return l;
    }
    const size_t eq = raw.find('=');
    if (eq == std::string_view::npos) return l;
    const std::string_view name = TrimView(raw.substr(0, eq));
    if (name.empty()) return l;
    l.Name = name;
    l.K = Kind::Key;
    l.Value = TrimView(raw.substr(eq + 1));
    return l;
}

// Reads the whole file; anything that stops the reading leaves what was read (or nothing).
std::string ReadAll(const std::string& path)
{
    std::string data;
    // A pipe is opened without waiting for a program to write to it; with none, it reads as empty.
    const int h = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (h < 0) return data;
    if (const int flags = ::fcntl(h, F_GETFL); flags >= 0) ::fcntl(h, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st {};
    // A device holds no settings and may never end (/dev/zero).
    if (::fstat(h, &st) == 0 && (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode))) {
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
        Line l = Classify(std::string_view(data).substr(start, p - start));
        if (l.K == Kind::Section) section = static_cast<int>(d.Lines.size());
        l.Section = section;
        d.Append(std::move(l));
        if (p < data.size() && data[p] == '\r') ++p;
        if (p < data.size() && data[p] == '\n') ++p;
    }
    return d;
}

// Calls f for each line in file order, with its index.
template <class F>
void ForEachLine(const Document& d, F f)
{
    for (int i = d.Head; i >= 0; i = d.Lines[static_cast<size_t>(i)].Next)
        f(i, d.Lines[static_cast<size_t>(i)]);
}

std::string Serialize(const Document& d)
{
    size_t size = d.Mark.size();
    for (const Line& l : d.Lines)
        size += l.Raw.size() + d.Break.size();
    std::string out;
    out.reserve(size);
    out += d.Mark;
    ForEachLine(d, [&](int, const Line& l) {
        out += l.Raw;
        out += d.Break;
    });
    return out;
}

bool InSection(const Document& d, const Line& l, const std::string& section)
{
    return l.Section >= 0 && SameText(d.Lines[static_cast<size_t>(l.Section)].Name, section);
}

const std::string& SectionName(const Document& d, const Line& l)
{
    static const std::string none;
    return l.Section >= 0 ? d.Lines[static_cast<size_t>(l.Section)].Name : none;
}

void BuildIndex(Document& d)
{
    d.SectionKeys.clear();
    d.SectionEnds.clear();
    int header = -1;
    std::vector<int>* keys = nullptr;
    int* end = nullptr;
    ForEachLine(d, [&](int i, const Line& l) {
        if (l.Section < 0) return;
        if (l.Section != header) {
            header = l.Section;
            const std::string section = UpperCase(SectionName(d, l));
            keys = &d.SectionKeys[section];
            end = &d.SectionEnds[section];
        }
        if (l.K == Kind::Key) keys->push_back(i);
        if (l.K == Kind::Section || IsContent(l)) *end = i;
    });
    d.Indexed = true;
}

// A lone lookup walks the lines; a document that serves many (an update) walks its section's keys.
int FindKey(const Document& d, const std::string& section, const std::string& key)
{
    if (d.Indexed) {
        const auto it = d.SectionKeys.find(UpperCase(section));
        if (it == d.SectionKeys.end()) return -1;
        for (int i : it->second)
            if (SameText(d.Lines[static_cast<size_t>(i)].Name, key)) return i;
        return -1;
    }
    int found = -1;
    for (int i = d.Head; i >= 0 && found < 0; i = d.Lines[static_cast<size_t>(i)].Next) {
        const Line& l = d.Lines[static_cast<size_t>(i)];
        if (l.K == Kind::Key && SameText(l.Name, key) && InSection(d, l, section)) found = i;
    }
    return found;
}

// Where a new key of section goes: after the last entry of its last occurrence; -1 when the
// section is not in the file.
int SectionEnd(const Document& d, const std::string& section)
{
    if (d.Indexed) {
        const auto it = d.SectionEnds.find(UpperCase(section));
        return it == d.SectionEnds.end() ? -1 : it->second;
    }
    int at = -1;
    ForEachLine(d, [&](int i, const Line& l) {
        if (InSection(d, l, section) && (l.K == Kind::Section || IsContent(l))) at = i;
    });
    return at;
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

// The text of the document without the lines marked in drop (indexed as in d.Lines, which must be
// in file order: a document fresh from Parse).
std::string TextWithout(const Document& d, const std::vector<bool>& drop)
{
    std::string out = d.Mark;
    for (size_t i = 0; i < d.Lines.size(); ++i)
        if (!drop[i]) out += d.Lines[i].Raw + d.Break;
    return out;
}

}  // namespace

TIniFile::TIniFile(const std::string& FileName) : FFileName(FileName) {}

TIniFile::~TIniFile()
{
    // An update left open by an exception still keeps what it wrote, as single writes would have.
    if (FDirty && FDocument)
        StoreFileContents(NativeFileName(FFileName), Serialize(*FDocument));
}

void TIniFile::BeginUpdate()
{
    ++FUpdateCount;
}

void TIniFile::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0) return;
    std::unique_ptr<TIniDocument> doc = std::move(FDocument);
    const bool dirty = FDirty;
    FDirty = false;
    if (dirty && !StoreFileContents(NativeFileName(FFileName), Serialize(*doc))) WriteFailed(FFileName);
}

TIniDocument& TIniFile::Doc() const
{
    if (FUpdateCount == 0) {
        // Outside an update every call sees the file as it is now.
        FDocument = std::make_unique<TIniDocument>(Parse(ReadAll(NativeFileName(FFileName))));
    } else if (!FDocument) {
        FDocument = std::make_unique<TIniDocument>(Parse(ReadAll(NativeFileName(FFileName))));
        BuildIndex(*FDocument);
    }
    return *FDocument;
}

void TIniFile::Changed()
{
    if (FUpdateCount > 0) {
        FDirty = true;
        return;
    }
    std::unique_ptr<TIniDocument> doc = std::move(FDocument);
    if (!StoreFileContents(NativeFileName(FFileName), Serialize(*doc))) WriteFailed(FFileName);
}

void TIniFile::Replace(const std::string& text)
{
    if (FUpdateCount > 0) {
        FDocument = std::make_unique<TIniDocument>(Parse(text));
        BuildIndex(*FDocument);
        FDirty = true;
        return;
    }
    FDocument.reset();
    if (!StoreFileContents(NativeFileName(FFileName), text)) WriteFailed(FFileName);
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const
{
    const std::string key = Trim(Ident);
    if (Section.empty() || key.empty()) return Default;
    const Document& d = Doc();
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

    Document& d = Doc();
    const int found = FindKey(d, section, key);
    if (found >= 0) {
        Line& l = d.Lines[static_cast<size_t>(found)];
        l.Raw = l.Name + "=" + value;
        l.Value = Trim(value);
    } else {
        Line nl = Classify(key + "=" + value);
        // After the last entry of the section's last occurrence, so that blank lines and comments
        // that lead into the next section stay with it.
        int at = SectionEnd(d, section);
        if (at < 0) {
            if (d.Tail >= 0 && !Trim(d.Lines[static_cast<size_t>(d.Tail)].Raw).empty()) d.Append(Line{});
            Line header = Classify("[" + section + "]");
            d.Append(std::move(header));
            at = d.Tail;
            d.Lines[static_cast<size_t>(at)].Section = at;
            if (d.Indexed) d.SectionEnds[UpperCase(section)] = at;
        }
        nl.Section = d.Lines[static_cast<size_t>(at)].Section;
        const int i = d.InsertAfter(at, std::move(nl));
        if (d.Indexed) {
            d.SectionKeys[UpperCase(section)].push_back(i);
            d.SectionEnds[UpperCase(section)] = i;
        }
    }
    Changed();
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
    bool found = false;
    ForEachLine(Doc(), [&](int, const Line& l) {
        if (l.K == Kind::Section && SameText(l.Name, section)) found = true;
    });
    return found;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const
{
    const std::string key = Trim(Ident);
    if (key.empty()) return false;
    return FindKey(Doc(), Trim(Section), key) >= 0;
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) const
{
    const std::string section = Trim(Section);
    const Document& d = Doc();
    NameList names;
    ForEachLine(d, [&](int, const Line& l) {
        if (l.K == Kind::Key && InSection(d, l, section)) names.AddOnce(l.Name);
    });
    Fill(Strings, names.Names);
}

void TIniFile::ReadSections(TStrings* Strings) const
{
    NameList names;
    ForEachLine(Doc(), [&](int, const Line& l) {
        if (l.K == Kind::Section) names.AddOnce(l.Name);
    });
    Fill(Strings, names.Names);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) const
{
    const std::string section = Trim(Section);
    const Document& d = Doc();
    NameList names;
    std::vector<std::string> lines;
    ForEachLine(d, [&](int, const Line& l) {
        if (l.K == Kind::Key && InSection(d, l, section) && names.AddOnce(l.Name))
            lines.push_back(l.Name + "=" + Unquote(l.Value));
    });
    Fill(Strings, lines);
}

void TIniFile::EraseSection(const std::string& Section)
{
    const std::string section = Trim(Section);
    if (section.empty()) return;
    // In file order, so that the lines' indices are their places.
    const TIniDocument d = Parse(Serialize(Doc()));
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
    if (any) Replace(TextWithout(d, drop));
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident)
{
    const std::string section = Trim(Section), key = Trim(Ident);
    if (section.empty() || key.empty()) return;
    const TIniDocument d = Parse(Serialize(Doc()));
    std::vector<bool> drop(d.Lines.size(), false);
    bool any = false;
    for (size_t i = 0; i < d.Lines.size(); ++i) {
        const Line& l = d.Lines[i];
        if (l.K == Kind::Key && SameText(l.Name, key) && InSection(d, l, section)) drop[i] = any = true;
    }
    if (any) Replace(TextWithout(d, drop));
}
