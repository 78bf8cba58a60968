// The markup parser: text, entities and tags into the items of a TExHTMLData, with word wrap.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "ctlbase/Exlist.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "ctlbase/Htmlrender.h"
#include "platform/CodePages.h"
#include "platform/Guard.h"

namespace {

// Widths, heights and indents from the markup or a host's bitmap are kept within this many
// pixels, so that sums over a line or a whole text cannot overflow.
constexpr Integer kMaxExtent = 0x100000;

Integer ClampExtent(Int64 V, Integer Low = 0) { return static_cast<Integer>(std::clamp<Int64>(V, Low, kMaxExtent)); }

Integer Saturate(Int64 V)
{
    return static_cast<Integer>(std::clamp<Int64>(V, std::numeric_limits<Integer>::min(), MaxInt));
}

// Thrown out of the parser when the image handler freed the render (and the data it owns).
struct TRenderGone {};

struct TFontState {
    std::string Name;
    Integer Size = 0;
    TColor Color = 0;
    TColor BgColor = 0;
    // The tag that made this state set a colour and counted itself in ColorSetCount.
    bool CountsColor = false;
};

// One character of text between tags, before the blank rule; Forced: "&nbsp;", added always.
struct TCharEvent {
    char C;
    bool Forced;
};

using TAttributes = std::vector<std::pair<std::string, std::string>>;

// The value of the first attribute called Name (names are lower-cased), quotes removed.
bool Attribute(const TAttributes& Attrs, const char* Name, std::string& Value)
{
    for (const auto& [n, v] : Attrs)
        if (n == Name) {
            Value = v;
            if (!Value.empty() && (Value[0] == '"' || Value[0] == '\'')) {
                const char q = Value[0];
                Value.erase(0, 1);
                if (!Value.empty() && Value.back() == q)
                    Value.pop_back();
            }
            return true;
        }
    Value.clear();
    return false;
}

bool IsDecimal(const std::string& S)
{
    return !S.empty() && std::all_of(S.begin(), S.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsHex8(const std::string& S)
{
    return !S.empty() && S.size() <= 8 && std::all_of(S.begin(), S.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

// A colour attribute: "#RRGGBB" or a colour name with or without its "cl" prefix; an unknown
// name leaves Color as it was. A "#" value that is not hexadecimal gives Default, the data's own
// colour, as an empty number would.
void ParseColor(const std::string& Value, TColor Default, TColor& Color)
{
    if (Value[0] == '#') {
        const std::string hex = Value.substr(1);
        Color = IsHex8(hex) ? swapInt32(static_cast<Integer>(static_cast<std::uint32_t>(H2D(hex)) << 8)) : Default;
        return;
    }
    IdentToColor(Value.compare(0, 2, "cl") == 0 ? Value : "cl" + Value, Color);
}

}  // namespace

class THTMLParser {
public:
    THTMLParser(TExHTMLRender& R, TExHTMLData& D, Integer MaxWidth, bool AutoWrap)
        : FRender(R), FData(D), FArray(*D.Array()), FMaxWidth(MaxWidth), FAutoWrap(AutoWrap)
    {
    }

    void Run(const std::string& Text);

private:
    using TItemPtr = std::unique_ptr<TExHTMLItem>;

    TItemPtr NewItem(THTMLItemType Type, TExHTMLItem* From);
    std::unique_ptr<TExHTMLBreakItem> NewBreak(THTMLItemType Type, TExHTMLItem* From);
    // KnownWidth: the item's width when it was just measured, else -1.
    void Append(TItemPtr Item, Integer KnownWidth = -1);
    void RemoveLast();
    TExHTMLItem* Last() const { return FArray.Count() ? static_cast<TExHTMLItem*>(FArray.Last()) : nullptr; }
    TExHTMLItem* LastBreak() const;
    // Appends the current item when it has content, else frees it.
    void Flush();
    // The current item is flushed and a copy of it (without its text) becomes current.
    TExHTMLItem& Next();

    void Entity(const std::string& Name);
    void TakeRun();
    template <class Pred>
    static size_t FirstExceeding(size_t Lo, size_t Hi, size_t Guess, const Pred& Exceeds);
    bool AddChar(const TCharEvent& E);
    Int64 LineWidthBefore();
    bool Exceeds(size_t Len, Int64 Before);
    void Wrap();

    size_t Tag(size_t Pos);
    void ReadAttributes(size_t& Pos, TAttributes& Attrs) const;
    void Execute(const std::string& Name, const TAttributes& Attrs);
    void FontTag(const TAttributes& Attrs);
    void EndFontTag();
    void ApplyFontState(TExHTMLItem& Item) const;
    Integer BulletWidth(TExHTMLItem& Item);

    TExHTMLRender& FRender;
    TExHTMLData& FData;
    TExList& FArray;
    const Integer FMaxWidth;
    const bool FAutoWrap;
    const char* FText = nullptr;
    size_t FLength = 0;
    TItemPtr FDefault, FCur;
    TFontState FState;
    std::vector<TFontState> FStack;
    // Characters since the last tag, taken into the current item a run at a time.
    std::vector<TCharEvent> FRun;
    // Text length at which the last line overflowed: where the next search for a wrap starts.
    size_t FLineHint = 0;
    // Width of the items of Array after the last break, plus its indent; valid while
    // FLineCount equals the number of items.
    Int64 FLineWidth = 0;
    Integer FLineCount = -1;
    // The current item's text length and width when it was last measured whole.
    size_t FMeasuredLen = std::string::npos;
    Integer FMeasuredWidth = 0;
};

TExHTMLItem* THTMLParser::LastBreak() const
{
    for (Integer i = FArray.Count() - 1; i >= 0; --i)
        if (auto* it = static_cast<TExHTMLItem*>(FArray.FastGet(i)); it->IsBreak())
            return it;
    return nullptr;
}

THTMLParser::TItemPtr THTMLParser::NewItem(THTMLItemType Type, TExHTMLItem* From)
{
    auto it = std::make_unique<TExHTMLItem>(&FData);
    it->ItemType = Type;
    it->Assign(From);
    return it;
}

std::unique_ptr<TExHTMLBreakItem> THTMLParser::NewBreak(THTMLItemType Type, TExHTMLItem* From)
{
    auto it = std::make_unique<TExHTMLBreakItem>(&FData);
    it->ItemType = Type;
    it->Assign(From);
    it->SetAlignment(htaLeft);
    return it;
}

void THTMLParser::Append(TItemPtr Item, Integer KnownWidth)
{
    if (FAutoWrap && FLineCount == FArray.Count()) {
        if (Item->IsBreak())
            FLineWidth = Item->Indent;
        else
            FLineWidth += KnownWidth >= 0 ? KnownWidth : Item->GetWidth();
        ++FLineCount;
    }
    FArray.Add(Item.release());
}

void THTMLParser::RemoveLast()
{
    delete static_cast<TExHTMLItem*>(FArray.Last());
    FArray.Delete(FArray.Count() - 1);
    FLineCount = -1;
}

void THTMLParser::Flush()
{
    if (FCur->ItemType != hitChar || !FCur->Text.empty()) {
        const bool known = FMeasuredLen == FCur->Text.size();
        Append(std::move(FCur), known ? FMeasuredWidth : -1);
    }
    FCur.reset();
    FMeasuredLen = std::string::npos;
}

TExHTMLItem& THTMLParser::Next()
{
    TItemPtr next = NewItem(hitChar, FCur.get());
    Flush();
    FCur = std::move(next);
    return *FCur;
}

void THTMLParser::Run(const std::string& Text)
{
    FText = Text.c_str();
    FLength = std::strlen(FText);  // the text ends at its first NUL
    FDefault = NewItem(hitChar, nullptr);
    FDefault->FontStyle = FData.DefaultStyle;
    FState = {FData.DefaultFont, FData.DefaultSize, FData.DefaultColor, FData.DefaultBgColor, false};
    ApplyFontState(*FDefault);
    FCur = NewItem(hitChar, FDefault.get());

    for (size_t i = 0; i < FLength; ++i) {
        const char c = FText[i];
        if (c == '<') {
            TakeRun();
            i = Tag(i + 1);
        } else if (c == '\r') {
            if (i + 1 < FLength && FText[i + 1] == '\n')
                ++i;
        } else if (c == '&') {
            const char* semi = static_cast<const char*>(std::memchr(FText + i + 1, ';', FLength - i - 1));
            const size_t end = semi ? size_t(semi - FText) : FLength;
            Entity(std::string(FText + i + 1, end - i - 1));
            i = end;
        } else {
            FRun.push_back({c, false});
        }
    }
    TakeRun();
    Flush();
    if (FArray.Count() && static_cast<TExHTMLItem*>(FArray.First())->ItemType != hitPara)
        FArray.Insert(0, NewBreak(hitPara, FDefault.get()).release());
}

void THTMLParser::Entity(const std::string& Name)
{
    if (!Name.empty() && Name[0] == '#') {
        // The character of the code's low byte; a code that is no number, or whose low byte is 0
        // (no character: it would end the text for every reader of it), gives a blank.
        const std::string digits = Name.substr(1);
        Integer code = 0;
        const bool ok = IsDecimal(digits) && TryStrToInt(digits, code) && (code & 0xFF) != 0;
        FRun.push_back({ok ? static_cast<char>(code & 0xFF) : ' ', false});
        return;
    }
    static const struct {
        const char* Name;
        char32_t Char;
    } kNamed[] = {{"amp", U'&'},   {"quot", U'"'},  {"gt", U'>'},   {"lt", U'<'},     {"euro", U'\u20AC'},
                  {"sect", U'\u00A7'}, {"reg", U'\u00AE'}, {"copy", U'\u00A9'}, {"para", U'\u00B6'}, {"trade", U'\u2122'}};
    const std::string name = LowerCase(Name);
    if (name == "nbsp") {
        FRun.push_back({' ', true});
        return;
    }
    for (const auto& e : kNamed)
        if (name == e.Name) {
            // Each sign in the code page of the data's fonts (the euro sign is 0x80 in the
            // Western one, 0x88 in the Cyrillic one).
            Byte b;
            if (CharToCodePage(e.Char, CharsetToCodePage(FData.Charset), b))
                FRun.push_back({static_cast<char>(b), false});
            return;
        }
}

bool THTMLParser::AddChar(const TCharEvent& E)
{
    std::string& t = FCur->Text;
    if (E.C == ' ' && !E.Forced && !t.empty() && t.back() == ' ')
        return false;
    t += E.C;
    return true;
}

Int64 THTMLParser::LineWidthBefore()
{
    if (FLineCount != FArray.Count()) {
        FLineWidth = 0;
        Integer i = FArray.Count() - 1;
        for (; i >= 0; --i) {
            auto* it = static_cast<TExHTMLItem*>(FArray.FastGet(i));
            if (it->IsBreak())
                break;
            FLineWidth += it->GetWidth();
        }
        if (i >= 0)
            FLineWidth += static_cast<TExHTMLItem*>(FArray.FastGet(i))->Indent;
        FLineCount = FArray.Count();
    }
    return FLineWidth + FCur->Width;
}

bool THTMLParser::Exceeds(size_t Len, Int64 Before)
{
    const Integer w = FRender.RunWidth(*FCur, FCur->Text, Len);
    if (Len == FCur->Text.size()) {
        FMeasuredLen = Len;
        FMeasuredWidth = w;
    }
    return w + Before > FMaxWidth;
}

// Takes the characters since the last tag into the current item. With AutoWrap the line is
// wrapped after the first character that makes it wider than MaxWidth, exactly as if the width
// were checked after every character; since a longer prefix of a run is never narrower, the
// run is measured whole, and only a run that overflows is searched for the character that does,
// starting where the last line overflowed.
void THTMLParser::TakeRun()
{
    if (!FAutoWrap) {
        for (const TCharEvent& e : FRun)
            AddChar(e);
        FRun.clear();
        return;
    }
    struct Check {
        size_t Event;  // index in FRun of the character added
        size_t Len;    // the current item's text length after it
    };
    std::vector<Check> checks;
    const size_t m = FRun.size();
    size_t i = 0;
    while (i < m) {
        const Int64 before = LineWidthBefore();
        const size_t startLen = FCur->Text.size();
        auto exceeds = [&](size_t k) { return Exceeds(checks[k].Len, before); };
        checks.clear();
        // Characters are taken in growing windows; all checks below 'fitting' are known to fit.
        size_t end = i, fitting = 0;
        size_t window = std::max<size_t>(2 * FLineHint, 64);
        bool wrapped = false;
        while (end < m && !wrapped) {
            const size_t stop = std::min(m, end + window);
            for (; end < stop; ++end)
                if (AddChar(FRun[end]))
                    checks.push_back({end, FCur->Text.size()});
            window *= 2;
            if (checks.size() == fitting)
                continue;
            if (!exceeds(checks.size() - 1)) {
                fitting = checks.size();
                continue;
            }
            const size_t k = FirstExceeding(fitting, checks.size() - 1,
                                            FLineHint > startLen + 1 ? FLineHint - startLen - 1 : 0, exceeds);
            FCur->Text.resize(checks[k].Len);
            FLineHint = checks[k].Len;
            i = checks[k].Event + 1;
            Wrap();
            wrapped = true;
        }
        if (!wrapped)
            break;
    }
    FRun.clear();
}

// The first index in [Lo, Hi] for which Exceeds holds, when it holds for Hi and not below Lo:
// outward from Guess in doubling steps, then halving.
template <class Pred>
size_t THTMLParser::FirstExceeding(size_t Lo, size_t Hi, size_t Guess, const Pred& Exceeds)
{
    const size_t g = std::clamp(Guess, Lo, Hi);
    if (g < Hi && !Exceeds(g)) {
        Lo = g + 1;
        for (size_t step = 1; Lo < Hi; step *= 2) {
            const size_t p = std::min(Lo + step - 1, Hi - 1);
            if (Exceeds(p)) {
                Hi = p;
                break;
            }
            Lo = p + 1;
        }
    } else {
        Hi = g;
        for (size_t step = 1; Lo < Hi; step *= 2) {
            const size_t p = Hi - std::min(step, Hi - Lo);
            if (!Exceeds(p)) {
                Lo = p + 1;
                break;
            }
            Hi = p;
        }
    }
    while (Lo < Hi) {
        const size_t mid = Lo + (Hi - Lo) / 2;
        if (Exceeds(mid))
            Hi = mid;
        else
            Lo = mid + 1;
    }
    return Lo;
}

void THTMLParser::Wrap()
{
    std::string& text = FCur->Text;
    const Integer p = LastPos(" ", text);
    std::string carried;
    TExHTMLItem* last = Last();
    if (p == 0 && last && last->IsBreak()) {
        // The run starts its line: only the character that did not fit moves on.
        carried = text.substr(text.size() - 1);
        text.pop_back();
    } else {
        carried = TStrExtractStr(text, p + 1, static_cast<Integer>(text.size()) - p);
    }
    TExHTMLItem* line = FCur.get();
    const bool empty = text.empty();
    FMeasuredLen = std::string::npos;
    FLineCount = -1;  // the soft break starts a new line: nothing to add up
    TExHTMLItem* prevBreak = LastBreak();
    Append(std::move(FCur));
    auto soft = NewBreak(hitSoftBreak, line);
    soft->AssignBreakProps(prevBreak);
    FCur = NewItem(hitChar, soft.get());
    FCur->Text = std::move(carried);
    Append(std::move(soft));
    if (empty) {
        delete line;
        FArray.Delete(FArray.Count() - 2);
    }
}

// ---- Tags -------------------------------------------------------------------------------------

// Pos is just after the "<"; answers the position of the tag's last character (its ">").
size_t THTMLParser::Tag(size_t Pos)
{
    std::string name;
    while (Pos < FLength && FText[Pos] != ' ' && FText[Pos] != '>') {
        name += FText[Pos++];
        if (name == "!--") {
            // A comment runs to the next "-->", whatever it holds; unclosed, to the end.
            const size_t end = std::string_view(FText, FLength).find("-->", Pos);
            return end != std::string_view::npos ? end + 2 : FLength - 1;
        }
    }
    if (Pos >= FLength)
        return FLength;  // a tag cut off by the end of the text is dropped
    TAttributes attrs;
    if (FText[Pos] == ' ')
        ReadAttributes(Pos, attrs);
    Execute(LowerCase(name), attrs);
    return Pos;
}

// Pos stands on the blank after the name; leaves it on the ">" (or at the end of the text).
void THTMLParser::ReadAttributes(size_t& Pos, TAttributes& Attrs) const
{
    std::string piece;
    auto take = [&]() {
        const size_t eq = piece.find('=');
        if (eq != std::string::npos)
            Attrs.emplace_back(LowerCase(piece.substr(0, eq)), piece.substr(eq + 1));
        piece.clear();
    };
    char quote = 0;
    for (; Pos < FLength; ++Pos) {
        const char c = FText[Pos];
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == ' ' && !piece.empty() && piece.back() == ' ')
                continue;
            piece += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            piece += c;
        } else if (c == ' ' || c == '>') {
            take();
            if (c == '>')
                return;
        } else {
            piece += c;
        }
    }
    take();
}

void THTMLParser::ApplyFontState(TExHTMLItem& Item) const
{
    Item.FontName = FState.Name;
    Item.FontSize = FState.Size;
    Item.FontColor = FState.Color;
    Item.FontBgColor = FState.BgColor;
}

Integer THTMLParser::BulletWidth(TExHTMLItem& Item)
{
    TItemPtr ul = NewItem(hitUL, &Item);
    return ul->GetWidth();
}

void THTMLParser::Execute(const std::string& Name, const TAttributes& Attrs)
{
    static const struct {
        const char* Name;
        TFontStyle Style;
    } kStyles[] = {{"b", fsBold}, {"i", fsItalic}, {"u", fsUnderline}, {"strikeout", fsStrikeOut}};
    for (const auto& s : kStyles) {
        if (Name == s.Name) {
            Next().FontStyle |= FontStyle(s.Style);
            return;
        }
        if (Name[0] == '/' && Name.compare(1, std::string::npos, s.Name) == 0) {
            Next().FontStyle &= ~FontStyle(s.Style);
            return;
        }
    }
    std::string value;
    if (Name == "sub" || Name == "/sub") {
        Next().SetIsSub(Name[0] != '/');
    } else if (Name == "sup" || Name == "/sup") {
        Next().SetIsSuper(Name[0] != '/');
    } else if (Name == "ul") {
        TExHTMLItem& next = Next();
        next.Indent = ClampExtent(Int64(next.Indent) + BulletWidth(next), -kMaxExtent);
    } else if (Name == "/ul") {
        TExHTMLItem& next = Next();
        // More closes than opens must not move the text off to the left: the list indent stops at
        // zero (an indent a paragraph set below zero stays as it was).
        const Int64 closed = Int64(next.Indent) - BulletWidth(next);
        next.Indent = ClampExtent(std::max<Int64>(closed, std::min(next.Indent, 0)), -kMaxExtent);
        if (Last() && Last()->ItemType == hitBreak)
            RemoveLast();
        Append(NewBreak(hitBreak, &next));
    } else if (Name == "li") {
        TExHTMLItem& next = Next();
        if (Last() && Last()->ItemType == hitBreak)
            RemoveLast();
        Append(NewBreak(hitLI, &next));
    } else if (Name == "p") {
        auto para = NewBreak(hitPara, FCur.get());
        if (Attribute(Attrs, "align", value)) {
            value = LowerCase(value);
            para->SetAlignment(value == "center" ? htaCenter : value == "right" ? htaRight : htaLeft);
        }
        if (Attribute(Attrs, "indent", value))
            para->Indent = ClampExtent(StrToIntDef(value, 0), -kMaxExtent);
        Flush();
        FCur = NewItem(hitChar, para.get());
        Append(std::move(para));
    } else if (Name == "br") {
        auto brk = NewBreak(hitBreak, FCur.get());
        Next();
        Append(std::move(brk));
    } else if (Name == "hr") {
        auto before = NewBreak(hitBreak, FCur.get());
        auto rule = NewItem(hitHR, FCur.get());
        auto after = NewBreak(hitBreak, FCur.get());
        Attribute(Attrs, "width", value);
        rule->Width = ClampExtent(StrToIntDef(value, 0));
        Flush();
        FCur = NewItem(hitChar, rule.get());
        Append(std::move(before));
        Append(std::move(rule));
        Append(std::move(after));
    } else if (Name == "img") {
        if (!Attribute(Attrs, "src", value) || value.empty())
            return;
        auto image = NewItem(hitBitmap, FCur.get());
        image->Text = value;
        TExHTMLItem& item = *image;
        Next();
        Append(std::move(image));
        TBitmap* bitmap = nullptr;
        TGuardPtr<TExHTMLRender> render(&FRender);
        FRender.TriggerImageNeededEvent(item.Text, bitmap);
        if (!render)
            throw TRenderGone{};
        Integer n;
        if (Attribute(Attrs, "width", value) && TryStrToInt(value, n))
            item.Width = ClampExtent(n);
        else
            item.Width = bitmap ? ClampExtent(bitmap->Width()) : 0;
        if (Attribute(Attrs, "height", value) && TryStrToInt(value, n))
            item.Height = ClampExtent(n);
        else
            item.Height = bitmap ? ClampExtent(bitmap->Height()) : 0;
        // The width counted for wrapping was taken before the markup's width was known.
        FLineCount = -1;
    } else if (Name == "a") {
        if (Attrs.empty())
            return;
        TExHTMLItem& next = Next();
        next.SetIsLink(true);
        Attribute(Attrs, "href", value);
        next.LinkRef = value;
    } else if (Name == "/a") {
        TExHTMLItem& next = Next();
        next.SetIsLink(false);
        next.LinkRef.clear();
    } else if (Name == "font") {
        FontTag(Attrs);
    } else if (Name == "/font") {
        EndFontTag();
    }
    // "/p", "html" and unknown tags do nothing.
}

void THTMLParser::FontTag(const TAttributes& Attrs)
{
    TExHTMLItem& next = Next();
    FStack.push_back(FState);
    FState = {next.FontName, next.FontSize, next.FontColor, next.FontBgColor, false};
    std::string value;
    if (Attribute(Attrs, "name", value) && !value.empty())
        FState.Name = value;
    if (Attribute(Attrs, "size", value)) {
        Integer n;
        if (!value.empty() && (value[0] == '+' || value[0] == '-'))
            FState.Size = Saturate(Int64(FData.DefaultSize) + (TryStrToInt(value, n) ? n : 0));
        else
            FState.Size = StrToIntDef(value, FData.DefaultSize);
    }
    bool colored = false;
    if (Attribute(Attrs, "color", value) && !value.empty()) {
        ParseColor(value, FData.DefaultColor, FState.Color);
        colored = true;
    }
    if (Attribute(Attrs, "bgcolor", value) && !value.empty()) {
        ParseColor(value, FData.DefaultBgColor, FState.BgColor);
        colored = true;
    }
    if (colored) {
        ++next.ColorSetCount;
        FState.CountsColor = true;
    }
    ApplyFontState(next);
}

void THTMLParser::EndFontTag()
{
    TExHTMLItem& next = Next();
    if (!FStack.empty()) {
        // The count drops exactly when the closed tag raised it, so that the runs after it take
        // the caller's colours again even when the tag set the colour it already had.
        if (FState.CountsColor)
            --next.ColorSetCount;
        FState = std::move(FStack.back());
        FStack.pop_back();
    }
    ApplyFontState(next);
}

// ---- The render's entry point -----------------------------------------------------------------

void TExHTMLRender::PrepareToData(const std::string& Text, Integer MaxWidth, bool AutoWrap, TExHTMLData* Data)
{
    SetData(Data);
    TExHTMLData& data = *FData;
    TGuard guard(*this);
    data.ClearArray();
    try {
        THTMLParser(*this, data, MaxWidth, AutoWrap).Run(Text);
        CalcTokenSizes(&data);
    } catch (const TRenderGone&) {
        return;
    } catch (...) {
        // Half a text is not shown: the data is left empty.
        data.ClearArray();
        data.TextSize = {};
        throw Exception(EngineError);
    }
}
