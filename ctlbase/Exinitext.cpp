// The settings store's text form: the line parser, writing and loading, and the text form of
// doubles.
#include "ctlbase/Exini.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "ctlbase/Exiniparts.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exobjlist.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "platform/FileUtils.h"
#include "platform/Graphics.h"
#include "platform/TypInfo.h"

using namespace exini;

namespace {

// ---------------------------------------------------------------- text form
// A string that would not read back as the same string (it holds a line break, a quote or the
// comment characters, or reads as another type) is written in double quotes, with "%", the quote and
// control characters as %HH. A file that uses this says so in a comment line of its own before its
// first value (QuotingMark); in a file without that line quotes are plain text, as they always were.
// Without comment characters the mark is the first line, behind the divider: a line that every
// reader skips as a value without a name. Files of the form before that carry the sentence alone
// there, and read as quoting files too: a file from before quoting whose first line was exactly the
// sentence is far less likely than one of those.

constexpr const char* QuotingMark = "Texts in double quotes hold %, \" and control characters as %HH.";

std::string QuoteText(const std::string& S)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (unsigned char c : S) {
        if (c < 0x20 || c == '%' || c == '"') {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

bool IsQuotedText(const std::string& S)
{
    return S.size() >= 2 && S.front() == '"' && S.back() == '"';
}

int HexDigit(char C)
{
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

std::string UnquoteText(const std::string& S)
{
    std::string out;
    for (size_t i = 1; i + 1 < S.size(); ++i) {
        if (S[i] == '%' && i + 3 < S.size()) {
            const int h = HexDigit(S[i + 1]);
            const int l = HexDigit(S[i + 2]);
            if (h >= 0 && l >= 0) {
                out += static_cast<char>(h * 16 + l);
                i += 2;
                continue;
            }
        }
        out += S[i];
    }
    return out;
}

bool HasControl(const std::string& S)
{
    for (unsigned char c : S)
        if (c < 0x20) return true;
    return false;
}

// The type an unquoted value text takes when it is read.
TExValueType PlainType(const std::string& S)
{
    if (SameText(S, "TRUE") || SameText(S, "FALSE")) return evtBoolean;
    double d = 0;
    Integer code = 0;
    ValFloat(S, d, code);
    if (code == 0 && StrFloat(d) == S) return evtDouble;
    Integer v = 0;
    if (Decimal32(S, v) && IntToStr(v) == S) return evtInt;
    if (S.compare(0, 4, "454C") != 0) return evtString;
    std::vector<Byte> data;
    Integer size = 0;
    return Str2Data(S, data, size) ? evtBinary : evtString;
}

// A name the reader gives a line without a name: "#" and its line number. Only such values may be
// written as their text alone; any other name would not come back.
bool LineName(const std::string& Name)
{
    if (Name.size() < 2 || Name[0] != '#') return false;
    for (size_t i = 1; i < Name.size(); ++i)
        if (Name[i] < '0' || Name[i] > '9') return false;
    return true;
}

}  // namespace

Integer exini::Val32(const std::string& T, Integer& V)
{
    size_t i = 0;
    bool neg = false;
    if (i < T.size() && (T[i] == '+' || T[i] == '-')) {
        neg = T[i] == '-';
        ++i;
    }
    if (i >= T.size()) return static_cast<Integer>(i + 1);
    Int64 acc = 0;
    for (; i < T.size(); ++i) {
        if (T[i] < '0' || T[i] > '9') return static_cast<Integer>(i + 1);
        acc = acc * 10 + (T[i] - '0');
        if (acc > (neg ? 2147483648LL : 2147483647LL)) return static_cast<Integer>(i + 1);
    }
    V = static_cast<Integer>(neg ? -acc : acc);
    return 0;
}

bool exini::Decimal32(const std::string& T, Integer& V)
{
    return Val32(T, V) == 0;
}

// ---------------------------------------------------------------- StrFloat / ValFloat

std::string StrFloat(double Value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &Value, 8);
    const auto lo = static_cast<Integer>(static_cast<std::uint32_t>(bits));
    const auto hi = static_cast<Integer>(static_cast<std::uint32_t>(bits >> 32));
    return IntToStr(lo) + "." + IntToStr(hi);
}

void ValFloat(const std::string& S, double& Value, Integer& Code)
{
    const size_t dot = S.find('.');
    if (dot == std::string::npos) {
        Code = -1;
        return;
    }
    const auto dotPos = static_cast<Integer>(dot + 1);
    if (dot == 0 || dot + 1 == S.size()) {
        Code = dotPos;
        return;
    }
    Integer lo = 0;
    Integer hi = 0;
    if (const Integer c = Val32(S.substr(0, dot), lo); c != 0) {
        Code = c;
        return;
    }
    if (const Integer c = Val32(S.substr(dot + 1), hi); c != 0) {
        Code = c + dotPos;
        return;
    }
    const std::uint64_t bits =
        static_cast<std::uint32_t>(lo) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(hi)) << 32);
    std::memcpy(&Value, &bits, 8);
    Code = 0;
}

// ---------------------------------------------------------------- the text form

std::string TExIniFile::MarkLine() const
{
    return FComment.empty() ? FDivChar + std::string(QuotingMark) : FComment + QuotingMark;
}

void TExIniFile::ParseLine(const std::string& Line, std::string& Name, std::string& Value, bool& HasDelimiter)
{
    Name.clear();
    Value.clear();
    HasDelimiter = false;
    bool quoted = false;
    for (size_t i = 0; i < Line.size(); ++i) {
        const char c = Line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (!FComment.empty() && Line.compare(i, FComment.size(), FComment) == 0) break;
            if (c == FDivChar && !HasDelimiter) {
                HasDelimiter = true;
                continue;
            }
        }
        (HasDelimiter ? Value : Name) += c;
    }
}

void TExIniFile::WriteText(TStream* Stream)
{
    // Set once a text goes in quotes: the file then starts with the mark that says so.
    bool quoted = false;
    const auto quote = [&](const std::string& S) {
        quoted = true;
        return QuoteText(S);
    };
    const auto hasComment = [&](const std::string& S) {
        return !FComment.empty() && S.find(FComment) != std::string::npos;
    };
    const auto nameText = [&](const std::string& Name) {
        const bool q = HasControl(Name) || Name.find_first_of("\"[]") != std::string::npos ||
                       Name.find(FDivChar) != std::string::npos || hasComment(Name);
        return q ? quote(Name) : Name;
    };
    const auto itemText = [&](const std::string& S) {
        return HasControl(S) || S.find('"') != std::string::npos || hasComment(S) ? quote(S) : S;
    };
    const auto stringText = [&](const std::string& S) {
        return HasControl(S) || S.find('"') != std::string::npos || hasComment(S) || PlainType(S) != evtString
                   ? quote(S)
                   : S;
    };
    // A text stands alone on its line when it reads back as the same line without a name.
    const auto standsAlone = [&](const std::string& S) {
        if (S.empty() || S[0] == '[' || HasControl(S)) return false;
        std::string n, v;
        bool div = false;
        ParseLine(S, n, v, div);
        return !div && n == S;
    };
    // The body goes out after the header, whose length depends on whether the body quotes anything;
    // line numbers count from the body's first line and are shifted once the header is known.
    std::vector<std::string> body;
    struct Bare {
        size_t Line;
        const TExIniEntry* Entry;
    };
    std::vector<Bare> bare;
    const auto line = [&](std::string S) { body.push_back(std::move(S)); };
    const auto value = [&](const TExIniEntry* e) {
        const std::string& name = e->Name();
        if (LineName(name) && !e->IsKey && e->ValueType == evtString && standsAlone(e->StrValue)) {
            // Read back, it is named after the line it stands on; whether that name is free is
            // known once the header is.
            bare.push_back({body.size(), e});
            line(e->StrValue);
            return;
        }
        const std::string head = nameText(name);
        std::string text;
        switch (e->ValueType) {
        case evtBoolean: text = FSimple ? (e->BoolValue ? "1" : "0") : (e->BoolValue ? "true" : "false"); break;
        case evtInt: text = IntToStr(e->IntValue); break;
        case evtString: text = stringText(e->StrValue); break;
        case evtMultiString:
            if (e->MultiValue && e->MultiValue->Count() > 0) {
                for (int j = 0; j < e->MultiValue->Count(); ++j)
                    line(head + "[" + IntToStr(j) + "]" + FDivChar + itemText(e->MultiValue->Get(j)));
            } else {
                // A list without lines: "name[]" and nothing after the divider, in quoting files only.
                quoted = true;
                line(head + "[]" + FDivChar);
            }
            return;
        case evtBinary: text = Data2Str(e->BinValue.data(), static_cast<Integer>(e->BinValue.size())); break;
        case evtDouble: text = StrFloat(e->DoubleValue); break;
        default: return;
        }
        line(head + FDivChar + text);
    };
    const auto section = [&](const std::string& Path) {
        // A line break in a key name would end the section line; such paths go in quotes.
        const bool q = Path.find_first_of("\r\n") != std::string::npos || IsQuotedText(Path);
        line("");
        line("[" + (q ? quote(Path) : Path) + "]");
    };
    // A key that holds a value of its own is made where that value's line stands. When keys come
    // before it in its parent (it is late), the value waits for the key's own section, behind the
    // parent's section opened again ("[]" for the root), so that the keys keep their order.
    std::function<void(const TExIniEntry*, const std::string&)> keys = [&](const TExIniEntry* Key,
                                                                             const std::string& Path) {
        const Integer count = Key->GetSubCount();
        Integer firstKey = count;
        for (Integer i = 0; i < count && firstKey == count; ++i)
            if (Key->Child(i)->IsKey) firstKey = i;
        for (Integer i = 0; i < count; ++i)
            if (IsValue(Key->Child(i)) && !(Key->Child(i)->IsKey && i > firstKey)) value(Key->Child(i));
        for (Integer i = firstKey; i < count; ++i) {
            const TExIniEntry* k = Key->Child(i);
            if (!k->IsKey) continue;
            if (IsValue(k) && i > firstKey) {
                section(Path);
                value(k);
            }
            const std::string path = Path.empty() ? k->Name() : Path + FDelimiter + k->Name();
            section(path);
            keys(k, path);
        }
    };
    keys(FRoot.get(), "");

    std::vector<std::string> header;
    if (!FComment.empty() && !FWarningMessage.empty()) {
        // Every line of the warning is a comment, so that none of it comes back as a value.
        TStringList warning;
        warning.SetText(FWarningMessage);
        for (int i = 0; i < warning.Count(); ++i) header.push_back(FComment + warning[i]);
    }
    // A bare line comes back named after the line it stands on. It keeps standing alone unless
    // that name is one another entry comes back with: one written with its name, or a bare line
    // that had to be written with its name in turn. Deciding by the names entries come back with,
    // not the ones they have, makes a save of what was just read give the same bytes again. Writing
    // a name may need quoting, and the mark moves every line down by one: then all is decided anew.
    std::unordered_map<const TExIniEntry*, size_t> bareOf;
    for (size_t i = 0; i < bare.size(); ++i) bareOf[bare[i].Entry] = i;
    std::vector<bool> named(bare.size());
    const auto fixBare = [&] {
        const size_t first = header.size() + (quoted ? 1 : 0) + 1;
        std::fill(named.begin(), named.end(), false);
        for (const Bare& b : bare) body[b.Line] = b.Entry->StrValue;
        for (bool changed = true; changed;) {
            changed = false;
            for (size_t i = 0; i < bare.size(); ++i) {
                if (named[i]) continue;
                const TExIniEntry* e = bare[i].Entry;
                const std::string taken = "#" + IntToStr(static_cast<Integer>(first + bare[i].Line));
                const TExIniEntry* owner = e->Parent()->GetValue(taken);
                if (owner == nullptr || owner == e) continue;
                const auto other = bareOf.find(owner);
                if (other != bareOf.end() && !named[other->second]) continue;  // renamed in turn
                named[i] = true;
                changed = true;
                body[bare[i].Line] = nameText(e->Name()) + FDivChar + stringText(e->StrValue);
            }
        }
    };
    const bool quotedBefore = quoted;
    fixBare();
    if (quoted != quotedBefore) fixBare();
    // A first line that only looks like a mark (the sentence alone, or behind a divider that does
    // not divide there) is written behind the mark.
    if (!quoted && !body.empty() && FComment.empty() && (body.front() == MarkLine() || body.front() == QuotingMark)) {
        quoted = true;
        fixBare();
    }
    if (quoted) header.push_back(MarkLine());
    std::string out;
    for (const auto& l : header) out += l + "\r\n";
    for (const auto& l : body) out += l + "\r\n";
    if (!out.empty()) Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

void TExIniFile::AddTextValue(const std::string& RawName, const std::string& Value, bool HasDelimiter, Integer LineNo,
                              bool Quoting)
{
    TExIniEntry* key = FCurrent;
    if (!HasDelimiter) {
        // A line without a name keeps its text under a name made from its line number.
        const std::string name = "#" + IntToStr(LineNo);
        TExIniEntry* e = key->GetValue(name);
        if (e == nullptr) e = AddChild(key, name, false);
        e->Invalidate();
        e->ValueType = evtString;
        e->StrValue = RawName;
        return;
    }
    std::string name;
    bool item = false;
    bool resolved = false;
    if (Quoting && !RawName.empty() && RawName[0] == '"') {
        const size_t q = RawName.find('"', 1);
        if (q != std::string::npos) {
            const std::string rest = RawName.substr(q + 1);
            if (rest.empty() || (rest.front() == '[' && rest.back() == ']')) {
                name = UnquoteText(RawName.substr(0, q + 1));
                item = !rest.empty();
                resolved = true;
            }
        }
    }
    if (!resolved) {
        name = RawName;
        if (!name.empty() && name.back() == ']') {
            // "Name[index]": one line of a multi-line value; the index only marks it as such.
            item = true;
            const size_t b = name.find('[');
            name = b == std::string::npos ? std::string() : name.substr(0, b);
        }
    }
    if (NoName(name)) return;
    // "Name[]" with nothing after the divider is a list without lines (quoting files only).
    const bool emptyList = Quoting && item && Value.empty() && RawName.size() >= 2 &&
                           RawName.compare(RawName.size() - 2, 2, "[]") == 0;
    const bool quoted = Quoting && IsQuotedText(Value);
    const std::string text = quoted ? UnquoteText(Value) : Value;
    TExIniEntry* e = key->GetValue(name);
    if (item && e != nullptr && e->ValueType == evtMultiString && e->MultiValue) {
        if (!emptyList) e->MultiValue->Add(text);
        return;
    }
    if (e == nullptr) e = AddChild(key, name, false);
    e->Invalidate();
    if (item) {
        e->ValueType = evtMultiString;
        e->MultiValue = std::make_unique<TStringList>();
        if (!emptyList) e->MultiValue->Add(text);
        return;
    }
    const TExValueType type = quoted ? evtString : PlainType(text);
    e->ValueType = type;
    switch (type) {
    case evtBoolean: e->BoolValue = SameText(text, "TRUE"); break;
    case evtDouble: {
        Integer code = 0;
        ValFloat(text, e->DoubleValue, code);
        break;
    }
    case evtInt: Decimal32(text, e->IntValue); break;
    case evtBinary: {
        Integer size = 0;
        Str2Data(text, e->BinValue, size);
        break;
    }
    default: e->StrValue = text; break;
    }
}

void TExIniFile::LoadText(const std::string& Data)
{
    TStringList lines;
    lines.SetText(Data);
    const auto isComment = [&](const std::string& Line) {
        return !FComment.empty() && Line.compare(0, FComment.size(), FComment) == 0;
    };
    // The quoting mark counts among the comment lines before the first value or section; without
    // comment characters it is the first line itself.
    bool quoting = false;
    int from = 0;
    if (FComment.empty()) {
        if (lines.Count() > 0 && (lines[0] == MarkLine() || lines[0] == QuotingMark)) {
            quoting = true;
            from = 1;
        }
    } else {
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string& line = lines[i];
            if (line.empty()) continue;
            if (!isComment(line)) break;
            if (line.compare(FComment.size(), std::string::npos, QuotingMark) == 0) quoting = true;
        }
    }
    bool skip = false;
    std::string name, value;
    for (int i = from; i < lines.Count(); ++i) {
        const std::string line = lines[i];
        if (line.empty() || isComment(line)) continue;
        if (line[0] == '[') {
            std::string path = line.size() > 1 && line.back() == ']' ? line.substr(1, line.size() - 2) : line.substr(1);
            if (quoting && IsQuotedText(path)) path = UnquoteText(path);
            skip = !OpenKey(FDelimiter + path, true);
            continue;
        }
        if (skip) continue;
        bool div = false;
        ParseLine(line, name, value, div);
        AddTextValue(name, value, div, i + 1, quoting);
    }
}

