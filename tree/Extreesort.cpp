// Sorting the items: keys taken from one column once per run, compared by type, with further sort
// sections and the item's serial as tie-breaks.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <typeinfo>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/DateUtils.h"
#include "platform/Guard.h"
#include "tree/Excellstyle.h"
#include "tree/Extreectl.h"
#include "tree/Extreeres.h"
#include "ctlbase/Exstrutils.h"

using namespace extree;

namespace {

// Kinds of a sort key.
enum : Integer { kNone = -1, kInteger = 0, kBoolean = 1, kFloat = 3, kText = 4, kCurrency = 12 };

static_assert(sizeof(std::intptr_t) == sizeof(double), "a key holds a double in place");

// ---------------------------------------------------------------- text collation

// Weights of the Western code page for comparing texts as a reader expects: case is ignored,
// accented letters sort with their base letter (the accent only decides between otherwise equal
// texts), and punctuation comes before digits, digits before letters.
struct TCollation {
    Byte Primary[256];
    Byte Accent[256];
    TCollation()
    {
        // Base letter (upper case) of every letter byte; 0 for bytes that are no letter.
        Byte base[256] = {};
        for (int c = 'A'; c <= 'Z'; ++c) base[c] = base[c + 32] = static_cast<Byte>(c);
        auto letters = [&](const char* Bytes, char Base) {
            for (const char* p = Bytes; *p; ++p) base[static_cast<Byte>(*p)] = static_cast<Byte>(Base);
        };
        letters("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xAA", 'A');
        letters("\xC7\xE7", 'C');
        letters("\xD0\xF0", 'D');
        letters("\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", 'E');
        letters("\x83", 'F');
        letters("\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", 'I');
        letters("\xD1\xF1", 'N');
        letters("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8\x8C\x9C\xBA", 'O');
        letters("\x8A\x9A\xDF", 'S');
        letters("\xDE\xFE", 'T');
        letters("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", 'U');
        letters("\xDD\xFD\xFF\x9F", 'Y');
        letters("\x8E\x9E", 'Z');
        int next = 1;
        for (int b = 0; b < 256; ++b)
            if (!base[b] && !(b >= '0' && b <= '9')) Primary[b] = static_cast<Byte>(next++);
        for (int b = '0'; b <= '9'; ++b) Primary[b] = static_cast<Byte>(next++);
        for (int b = 0; b < 256; ++b) {
            if (!base[b]) {
                Accent[b] = 0;
                continue;
            }
            Primary[b] = static_cast<Byte>(next + base[b] - 'A');
            const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
            Accent[b] = plain ? 0 : static_cast<Byte>(FoldAnsiByte(static_cast<Byte>(b)));
        }
    }
    // Upper case of a letter byte of the Western code page.
    static Byte FoldAnsiByte(Byte B)
    {
        const std::string s = AnsiUpperCase(std::string(1, static_cast<char>(B)));
        return static_cast<Byte>(s[0]);
    }
};

const TCollation& Collation()
{
    static const TCollation table;
    return table;
}

// A text as its collation weights: the letters' weights, then the accents; comparing two keys
// bytewise is comparing the texts.
std::string CollationKey(const std::string& Text)
{
    const TCollation& c = Collation();
    std::string key;
    key.reserve(Text.size() * 2 + 1);
    for (char ch : Text) key += static_cast<char>(c.Primary[static_cast<Byte>(ch)]);
    // Weight 0 is no byte's: shorter texts end before longer ones with the same start.
    key += '\0';
    for (char ch : Text) key += static_cast<char>(c.Accent[static_cast<Byte>(ch)]);
    return key;
}

Integer Sign3(int Value) { return Value < 0 ? -1 : Value > 0 ? 1 : 0; }

Integer CompareKeys(const std::string& A, const std::string& B)
{
    return Sign3(A.compare(B));
}

Integer CompareLocaleText(const std::string& A, const std::string& B)
{
    return CompareKeys(CollationKey(A), CollationKey(B));
}

template <class T>
Integer CompareValues(T A, T B)
{
    return A < B ? -1 : B < A ? 1 : 0;
}

// ---------------------------------------------------------------- dates and times in the locale

// Reads an unsigned number of at most MaxDigits digits at Pos.
bool ReadNumber(const std::string& S, size_t& Pos, int MaxDigits, int& Value)
{
    size_t start = Pos;
    Value = 0;
    while (Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9' && static_cast<int>(Pos - start) < MaxDigits)
        Value = Value * 10 + (S[Pos++] - '0');
    return Pos > start && !(Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9');
}

void SkipBlanks(const std::string& S, size_t& Pos)
{
    while (Pos < S.size() && (S[Pos] == ' ' || S[Pos] == '\t')) ++Pos;
}

// A date in the short date order of the locale (two numbers: day and month of this year).
bool ScanDate(const std::string& S, size_t& Pos, TDateTime& Result)
{
    int parts[3];
    size_t digits[3];
    int count = 0;
    size_t p = Pos;
    while (count < 3) {
        const size_t start = p;
        if (!ReadNumber(S, p, 4, parts[count])) return false;
        digits[count] = p - start;
        ++count;
        if (p < S.size() && S[p] == FormatSettings.DateSeparator && count < 3)
            ++p;
        else
            break;
    }
    if (count < 2) return false;
    // The order of day, month and year is the order their letters first appear in the pattern.
    const std::string& f = FormatSettings.ShortDateFormat;
    auto at = [&](char Letter) {
        const size_t i = f.find_first_of(std::string{Letter, static_cast<char>(Letter - 32)});
        return i == std::string::npos ? f.size() : i;
    };
    const size_t d = at('d'), m = at('m'), y = at('y');
    int day, month, year;
    if (count == 3) {
        const size_t order[3] = {d, m, y};
        int rank[3];
        for (int i = 0; i < 3; ++i) {
            rank[i] = 0;
            for (int j = 0; j < 3; ++j)
                if (order[j] < order[i]) ++rank[i];
        }
        day = parts[rank[0]];
        month = parts[rank[1]];
        year = parts[rank[2]];
        // Only a year written with one or two digits stands for one near now; "0001" is year 1.
        if (digits[rank[2]] <= 2) year += year < 50 ? 2000 : 1900;
    } else {
        day = d < m ? parts[0] : parts[1];
        month = d < m ? parts[1] : parts[0];
        TSystemTime now;
        GetLocalTime(now);
        year = now.wYear;
    }
    if (year < 1 || month < 1 || day < 1 || year > 9999 || month > 12 || day > 31) return false;
    if (!TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), Result)) return false;
    Pos = p;
    return true;
}

bool StartsWithNoCase(const std::string& S, size_t Pos, const std::string& Word)
{
    return !Word.empty() && S.size() - Pos >= Word.size() && AnsiSameText(S.substr(Pos, Word.size()), Word);
}

// h[:n[:s[.z]]] with an optional AM or PM designator (the hour then counts 1..12).
bool ScanTime(const std::string& S, size_t& Pos, TDateTime& Result)
{
    size_t p = Pos;
    int h, n = 0, s = 0, z = 0;
    if (!ReadNumber(S, p, 2, h)) return false;
    bool minutes = false;
    if (p < S.size() && S[p] == FormatSettings.TimeSeparator) {
        ++p;
        if (!ReadNumber(S, p, 2, n)) return false;
        minutes = true;
        if (p < S.size() && S[p] == FormatSettings.TimeSeparator) {
            ++p;
            if (!ReadNumber(S, p, 2, s)) return false;
            if (p < S.size() && S[p] == FormatSettings.DecimalSeparator) {
                ++p;
                if (!ReadNumber(S, p, 3, z)) return false;
            }
        }
    }
    size_t q = p;
    SkipBlanks(S, q);
    bool designator = false;
    if (StartsWithNoCase(S, q, FormatSettings.TimeAMString) || StartsWithNoCase(S, q, FormatSettings.TimePMString)) {
        const bool pm = StartsWithNoCase(S, q, FormatSettings.TimePMString);
        if (h < 1 || h > 12) return false;
        h = (h % 12) + (pm ? 12 : 0);
        p = q + (pm ? FormatSettings.TimePMString.size() : FormatSettings.TimeAMString.size());
        designator = true;
    }
    // A lone number is no time.
    if (!minutes && !designator) return false;
    if (!TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s), static_cast<Word>(z),
                       Result))
        return false;
    Pos = p;
    return true;
}

// The text as a whole read as a date, a date and a time, or a time; false when any of it is
// left over or does not read. Each date type then compares its own part of the value.
bool TextToDateTime(const std::string& Text, TDateTime& Result)
{
    const std::string s = Trim(Text);
    size_t pos = 0;
    TDateTime date = 0, time = 0;
    bool ok;
    if (ScanDate(s, pos, date)) {
        ok = true;
        size_t q = pos;
        SkipBlanks(s, q);
        if (q > pos && q < s.size()) {
            ok = ScanTime(s, q, time);
            pos = q;
        }
    } else {
        ok = ScanTime(s, pos, time);
    }
    if (!ok || pos != s.size()) return false;
    Result = date < 0 ? date - time : date + time;
    return true;
}

// The part of a date/time a type compares: whole days, the time of day, or both.
double DatePart(double Value, TSortTypes Type)
{
    if (Type == stDate) return std::trunc(Value);
    if (Type == stTime) return std::fabs(Value - std::trunc(Value));
    return Value;
}

// ---------------------------------------------------------------- virtual values

// The kind a virtual value is asked for.
Integer WantedKind(TSortTypes Type)
{
    switch (Type) {
    case stNumber: return kInteger;
    case stFloating:
    case stDateTime:
    case stDate:
    case stTime: return kFloat;
    case stBoolean: return kBoolean;
    case stCurrency: return kCurrency;
    default: return kText;
    }
}

// A cell value converted to one kind; false where the value does not convert.
struct TConverted {
    Int64 Int = 0;
    double Float = 0;
    std::string Text;
};

bool ConvertValue(const TExVariant& Value, Integer Kind, TConverted& Out)
{
    if (std::holds_alternative<std::monostate>(Value)) return false;
    double f = 0;
    bool isText = false;
    if (const auto* b = std::get_if<bool>(&Value))
        f = *b ? -1 : 0;
    else if (const auto* i = std::get_if<Int64>(&Value))
        f = static_cast<double>(*i);
    else if (const auto* d = std::get_if<double>(&Value))
        f = *d;
    else
        isText = true;
    const std::string* text = std::get_if<std::string>(&Value);
    switch (Kind) {
    case kInteger: {
        if (isText) {
            Integer v;
            if (!TryStrToInt(*text, v)) return false;
            Out.Int = v;
            return true;
        }
        if (!std::isfinite(f) || std::fabs(f) > 2147483647.0) return false;
        Out.Int = static_cast<Int64>(std::nearbyint(f));
        return true;
    }
    case kBoolean:
        if (isText) {
            if (SameText(*text, "True")) Out.Int = 1;
            else if (SameText(*text, "False")) Out.Int = 0;
            else {
                double v;
                if (!TryStrToFloat(*text, v)) return false;
                Out.Int = v != 0;
            }
            return true;
        }
        Out.Int = f != 0;
        return true;
    case kFloat:
        if (isText) return TryStrToFloat(*text, Out.Float);
        Out.Float = f;
        return true;
    case kCurrency: {
        double v = f;
        if (isText && !TryStrToFloat(*text, v)) return false;
        if (!std::isfinite(v) || std::fabs(v) > 9.2e14) return false;
        Out.Int = static_cast<Int64>(std::llround(v * 10000.0));
        return true;
    }
    default:
        if (isText)
            Out.Text = *text;
        else if (const auto* b = std::get_if<bool>(&Value))
            Out.Text = *b ? "True" : "False";
        else if (const auto* i = std::get_if<Int64>(&Value))
            Out.Text = IntToStr(*i);
        else
            Out.Text = FloatToStr(f);
        return true;
    }
}

// Compares two converted values of one kind.
Integer CompareConverted(const TConverted& A, const TConverted& B, Integer Kind, TSortTypes Type)
{
    switch (Kind) {
    case kInteger:
    case kCurrency: return CompareValues(A.Int, B.Int);
    case kBoolean: return CompareValues(A.Int != 0, B.Int != 0);
    case kFloat: return CompareValues(DatePart(A.Float, Type), DatePart(B.Float, Type));
    default: return CompareLocaleText(A.Text, B.Text);
    }
}

// ---------------------------------------------------------------- running sorts

// A handler freed the control while a sort ran: the sort stops where it is.
struct TSortStopped {};

// Sorts Items by Less, a comparison that may be inconsistent (an application's): a merge sort,
// which never looks outside the range whatever the comparison answers, stable, and with at most
// n log n comparisons.
template <class TLess>
void MergeSort(std::vector<TExTreeItem*>& Items, TLess Less)
{
    const size_t n = Items.size();
    constexpr size_t Run = 16;
    // Short runs by insertion, each move checked against the run's start.
    for (size_t lo = 0; lo < n; lo += Run) {
        const size_t hi = std::min(lo + Run, n);
        for (size_t i = lo + 1; i < hi; ++i) {
            TExTreeItem* item = Items[i];
            size_t j = i;
            while (j > lo && Less(item, Items[j - 1])) {
                Items[j] = Items[j - 1];
                --j;
            }
            Items[j] = item;
        }
    }
    std::vector<TExTreeItem*> buffer(n);
    for (size_t width = Run; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi) buffer[out++] = Less(Items[b], Items[a]) ? Items[b++] : Items[a++];
            while (a < mid) buffer[out++] = Items[a++];
            while (b < hi) buffer[out++] = Items[b++];
        }
        Items.swap(buffer);
    }
}

const std::string& TextKeyOf(const TExTreeItem* Item)
{
    return *reinterpret_cast<const std::string*>(Item->SortKeyValue());
}

double FloatKeyOf(const TExTreeItem* Item) { return std::bit_cast<double>(Item->SortKeyValue()); }

// Two prepared keys compared by the rules of the sort type, before direction and tie-breaks: keys
// of different kinds are equal, a missing key sorts first.
Integer CompareKeyValues(Integer Kind1, std::intptr_t Value1, Integer Kind2, std::intptr_t Value2, TSortTypes Type)
{
    if (Kind1 == kNone || Kind2 == kNone) return Kind1 == Kind2 ? 0 : Kind1 == kNone ? -1 : 1;
    if (Kind1 != Kind2) return 0;
    switch (Kind1) {
    case kInteger:
    case kCurrency: return CompareValues(Value1, Value2);
    case kBoolean: return CompareValues(Value1 > 0, Value2 > 0);
    case kFloat:
        return CompareValues(DatePart(std::bit_cast<double>(Value1), Type), DatePart(std::bit_cast<double>(Value2), Type));
    case kText:
        return CompareKeys(*reinterpret_cast<const std::string*>(Value1), *reinterpret_cast<const std::string*>(Value2));
    default: return 0;
    }
}

// An item's key laid out for sorting many items without reading the items themselves: the part
// of a date the type compares, and the first eight bytes of a text's collation key.
struct TSortEntry {
    TExTreeItem* Item;
    std::uint64_t Serial;
    std::intptr_t Value;
    double Float;
    std::uint64_t Prefix;
    Integer Kind;
};

TSortEntry EntryOf(TExTreeItem* Item, TSortTypes Type)
{
    TSortEntry e{Item, Item->Serial(), Item->SortKeyValue(), 0, 0, Item->SortKeyKind()};
    if (e.Kind == kFloat) e.Float = DatePart(FloatKeyOf(Item), Type);
    if (e.Kind == kText) {
        const std::string& key = TextKeyOf(Item);
        for (size_t i = 0; i < 8; ++i)
            e.Prefix = (e.Prefix << 8) | (i < key.size() ? static_cast<Byte>(key[i]) : 0u);
    }
    return e;
}

// The same order as CompareItems gives for keys of a built-in type without further sort sections.
Integer CompareEntries(const TSortEntry& A, const TSortEntry& B, bool Descending)
{
    Integer res;
    if (A.Kind == kFloat && B.Kind == kFloat)
        res = CompareValues(A.Float, B.Float);
    else if (A.Kind == kText && B.Kind == kText && A.Prefix != B.Prefix)
        res = A.Prefix < B.Prefix ? -1 : 1;
    else
        res = CompareKeyValues(A.Kind, A.Value, B.Kind, B.Value, stText);
    if (res == 0 && A.Item != B.Item) res = A.Serial > B.Serial ? 1 : -1;
    return Descending ? -res : res;
}

}  // namespace

// ---------------------------------------------------------------- the item's side

void TExTreeItem::AddSortData(TSortTypes SortType, Integer Section)
{
    if (FSortKeyRefCount > 0) {
        ++FSortKeyRefCount;
        return;
    }
    FSortKeyKind = kNone;
    FSortKeyValue = 0;
    TCustomExTree* tree = TCustomExTree::TreeOf(this);
    bool useText = true;
    std::string text;
    TConverted value;
    Integer kind = kNone;
    if (tree && FTree->VirtualityLevel() == vlTextAndStyles) {
        useText = false;
        if (SortType == stText) {
            text = FTree->Host()->TriggerVirtualTextNeeded(this, Section);
            kind = kText;
            value.Text = text;
        } else {
            TExVariant v;
            kind = WantedKind(SortType);
            tree->TriggerVirtualValueNeeded(this, Section, kind, v);
            if (!ConvertValue(v, kind, value)) useText = true;
        }
    }
    if (useText) {
        text = FCollection->CellText(this, Section);
        kind = kNone;
        switch (SortType) {
        case stNumber: {
            Integer v;
            if (TryStrToInt(text, v)) {
                kind = kInteger;
                value.Int = v;
            }
            break;
        }
        case stFloating:
            if (TryStrToFloat(text, value.Float)) kind = kFloat;
            break;
        case stDateTime:
        case stDate:
        case stTime:
            if (TextToDateTime(text, value.Float)) kind = kFloat;
            break;
        case stBoolean:
            kind = kBoolean;
            value.Int = static_cast<Int64>(text.size());
            break;
        case stCurrency:
            kind = kCurrency;
            value.Int = PrettyStrToCurr(text);
            break;
        default:
            kind = kText;
            value.Text = text;
            break;
        }
    }
    switch (kind) {
    case kInteger:
    case kBoolean:
    case kCurrency: FSortKeyValue = static_cast<std::intptr_t>(value.Int); break;
    case kFloat: FSortKeyValue = std::bit_cast<std::intptr_t>(value.Float); break;
    case kText: FSortKeyValue = reinterpret_cast<std::intptr_t>(new std::string(CollationKey(value.Text))); break;
    default: break;
    }
    FSortKeyKind = kind;
    ++FSortKeyRefCount;
}

void TExTreeItem::ReleaseSortData()
{
    if (FSortKeyRefCount <= 0) return;
    if (--FSortKeyRefCount > 0) return;
    if (FSortKeyKind == kText) delete reinterpret_cast<std::string*>(FSortKeyValue);
    FSortKeyValue = 0;
    FSortKeyKind = kNone;
}

void TExTreeItem::NormalizeSorts(Integer StartIndex)
{
    if (StartIndex < 0) return;
    std::vector<TExTreeItem*> branch;
    CollectBranch(branch);
    const Integer count = static_cast<Integer>(branch.size()) - 1;
    TExTreeItemList& all = FTree->AllItems();
    if (count <= 0 || StartIndex + count > all.Count()) return;
    // A sort only reorders the branch, so it fills the places it held before: the block is
    // written anew in one piece when anything in it moved.
    Integer k = 0;
    while (k < count && all.FastGet(StartIndex + k) == branch[static_cast<size_t>(k) + 1]) ++k;
    if (k == count) return;
    FTree->ListRemove(StartIndex + k, StartIndex + count - 1);
    FTree->ListInsert(StartIndex + k, branch.data() + 1 + k, count - k);
}

void TExTreeItem::QuickSort(bool Recursive, Integer L, Integer R, TExSSortMode SortMode, TSortTypes SortType,
                            Integer Section)
{
    TCustomExTree* tree = TCustomExTree::TreeOf(this);
    if (!tree) return;
    // A header that read no sections from a stream told nobody that the old ones went.
    tree->PruneSortSections();
    // Handlers of the comparisons and of virtual values run while the children are walked.
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExCountScope depth(FTree->SortDepth);
    TExTreeModel* model = FTree;
    // The tree's own comparison of a built-in key type without further sections is a total order
    // on the prepared keys and raises nothing: it is done on the keys alone. A derived tree may
    // compare in its own way, and custom and further-section comparisons ask handlers.
    const bool fast = SortType != stCustom && (!tree->SortSections() || tree->SortSections()->Count() == 0) &&
                      (typeid(*tree) == typeid(TCustomExTree) || typeid(*tree) == typeid(TExTree));
    const bool descending = SortMode == hsmDescend || (SortMode == hsmNone && tree->SortDir() == sdDescend);
    // Sorts the children L..R of Parent; gives up when a handler changed the tree's structure.
    auto sortLevel = [&](TExTreeItem* Parent, Integer From, Integer To) {
        const Integer n = Parent->Count();
        From = std::max<Integer>(From, 0);
        To = std::min(To, n - 1);
        if (To - From < 1) return;
        std::vector<TExTreeItem*> children;
        children.reserve(static_cast<size_t>(To - From + 1));
        for (Integer i = From; i <= To; ++i) children.push_back(Parent->FChildren->FastGet(i));
        const Integer structure = model->StructureVersion();
        // Keys are taken here and given back however the sort ends (a comparison may raise).
        struct TKeys {
            std::vector<TExTreeItem*>* Items;
            size_t Taken = 0;
            ~TKeys()
            {
                for (size_t i = 0; i < Taken; ++i) (*Items)[i]->ReleaseSortData();
            }
        } keys{&children};
        const bool nested = Parent->GetOption(ioNestedSort);
        std::vector<TExTreeItem*> order = children;
        if (!nested) {
            for (; keys.Taken < children.size(); ++keys.Taken) {
                children[keys.Taken]->AddSortData(SortType, Section);
                if (!model->Host()) {
                    ++keys.Taken;
                    throw TSortStopped{};
                }
            }
        }
        if (fast && !nested) {
            // The keys laid out side by side: a comparison reads no item.
            std::vector<TSortEntry> entries;
            entries.reserve(order.size());
            for (TExTreeItem* item : order) entries.push_back(EntryOf(item, SortType));
            std::sort(entries.begin(), entries.end(),
                      [descending](const TSortEntry& A, const TSortEntry& B) { return CompareEntries(A, B, descending) < 0; });
            for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].Item;
        } else {
            MergeSort(order, [&](TExTreeItem* A, TExTreeItem* B) {
                const Integer res = tree->CompareItems(A, B, SortMode, SortType, Section);
                if (!model->Host()) throw TSortStopped{};
                return res < 0;
            });
        }
        // A handler that moved, added or deleted items leaves the children as it left them.
        if (model->StructureVersion() != structure) return;
        Parent->FChildren->DeleteRange(From, To);
        Parent->FChildren->InsertBlock(From, order.data(), static_cast<Integer>(order.size()));
    };
    try {
        sortLevel(this, L, R);
        if (!Recursive || GetOption(ioNestedSort)) return;
        // Every branch below, level by level with a stack of its own.
        std::vector<TExTreeItem*> stack;
        for (Integer i = Count() - 1; i >= 0; --i) stack.push_back(FChildren->FastGet(i));
        while (!stack.empty()) {
            TExTreeItem* item = stack.back();
            stack.pop_back();
            if (item->Count() == 0) continue;
            sortLevel(item, 0, item->Count() - 1);
            for (Integer i = item->Count() - 1; i >= 0; --i) stack.push_back(item->FChildren->FastGet(i));
        }
    } catch (const TSortStopped&) {
        // The control went; the model keeps what has been done and goes when its operations end.
    }
}

void TExTreeItem::Sort(bool Recursive)
{
    TCustomExTree* tree = TCustomExTree::TreeOf(this);
    if (!tree) return;
    TExTreeOperation op(FTree);
    op.HoldAll();
    TExCountScope depth(FTree->SortDepth);
    if (Count() == 0 || (!Recursive && Count() < 2)) return;
    TExUpdateGuard bracket(FTree);
    TExHeaderSections* sections = tree->Header()->Sections();
    const Integer main = FTree->MainTreeColumn;
    Integer sortSection = FTree->SortSection;
    TExHeaderSection* keySection = sortSection == -1 ? nullptr : sections->GetSection(sortSection);
    TExSSortMode mode = hsmNone;
    TSortTypes type = tree->SortType();
    Integer section = -1;
    if (sortSection == -1 || sortSection == main || !keySection) {
        TExHeaderSection* mainSection = sections->GetSection(main);
        if (FTree->ShowColumns && mainSection) {
            section = main;
            mode = mainSection->SortMode();
            type = tree->SectionTypeToSortType(mainSection->FieldType());
        }
    } else {
        section = sortSection;
        mode = keySection->SortMode();
        type = tree->SectionTypeToSortType(keySection->FieldType());
    }
    SetSortNested(false);
    // The list follows the children even when a comparison raises half-way; the branch's place is
    // taken then, as handlers may have moved it.
    struct TNormalize {
        TExTreeItem* Item;
        bool Done = false;
        void Run()
        {
            if (Done) return;
            Done = true;
            Item->NormalizeSorts(Item->IsHiddenRoot() ? 0 : Item->GetAbsIndex() + 1);
            Item->FTree->MarkRows();
            Item->FTree->Refresh().UpdatePending = true;
        }
        ~TNormalize() { Run(); }
    } normalize{this};
    QuickSort(Recursive, 0, Count() - 1, mode, type, section);
    // Before the bracket closes: its close rebuilds the rows from the list.
    normalize.Run();
    bracket.Done();
}

// ---------------------------------------------------------------- the tree's side

void TCustomExTree::Sort(bool Recursive)
{
    TExTreeModel* model = FModel.get();
    TExTreeOperation op(model);
    op.HoldAll();
    TGuardPtr<TCustomExTree> self(this);
    TriggerSortBegin();
    if (!self) return;
    {
        TExCountScope depth(model->SortDepth);
        model->Root()->Sort(Recursive);
    }
    if (!self) return;
    TriggerSortEnd();
}

Integer TCustomExTree::CompareItems(TExTreeItem* Item1, TExTreeItem* Item2, TExSSortMode SortMode,
                                    TSortTypes SortType, Integer /*SectionIndex*/)
{
    const bool descending = SortMode == hsmDescend || (SortMode == hsmNone && SortDir() == sdDescend);
    Integer res = 0;
    if (SortType == stCustom) {
        TGuardPtr<TCustomExTree> self(this);
        DoCompareItems(Item1, Item2, res);
        if (!self) return Sign3(res);
        res = Sign3(res);
    } else {
        res = CompareKeyValues(Item1->SortKeyKind(), Item1->SortKeyValue(), Item2->SortKeyKind(), Item2->SortKeyValue(),
                               SortType);
    }
    if (descending) res = -res;
    if (res == 0 && FSortSections) {
        TGuardPtr<TCustomExTree> self(this);
        for (Integer i = 0; i < FSortSections->Count() && res == 0; ++i) {
            SlowCompareItems(Item1, Item2, static_cast<TExHeaderSection*>(FSortSections->Get(i)), res);
            if (!self) return res;
        }
    }
    if (res == 0 && Item1 != Item2) {
        // The order the items were made in: the same for every run, unlike their addresses.
        res = Item1->Serial() > Item2->Serial() ? 1 : -1;
        if (descending) res = -res;
    }
    return res;
}

void TCustomExTree::SlowCompareItems(TExTreeItem* Item1, TExTreeItem* Item2, TExHeaderSection* Section, Integer& Res)
{
    const Integer index = Section->GetIndex();
    const TSortTypes type = SectionTypeToSortType(Section->FieldType());
    const TExSSortMode sortMode = Section->SortMode();
    // Handlers asked here may free the tree (and the section with it).
    TGuardPtr<TCustomExTree> self(this);
    bool useText = true;
    if (FModel->VirtualityLevel() == vlTextAndStyles && OnVirtualValueNeeded) {
        useText = false;
        if (type == stCustom) {
            DoCompareItems(Item1, Item2, Res);
            if (!self) return;
        } else if (type == stText) {
            const std::string t1 = TriggerVirtualTextNeeded(Item1, index);
            if (!self) return;
            const std::string t2 = TriggerVirtualTextNeeded(Item2, index);
            if (!self) return;
            Res = CompareLocaleText(t1, t2);
        } else {
            const Integer kind = WantedKind(type);
            TExVariant v1, v2;
            TConverted c1, c2;
            TriggerVirtualValueNeeded(Item1, index, kind, v1);
            if (!self) return;
            TriggerVirtualValueNeeded(Item2, index, kind, v2);
            if (!self) return;
            if (ConvertValue(v1, kind, c1) && ConvertValue(v2, kind, c2))
                Res = CompareConverted(c1, c2, kind, type);
            else
                useText = true;
        }
    }
    if (useText) {
        const std::string t1 = Items()->CellText(Item1, index);
        const std::string t2 = Items()->CellText(Item2, index);
        switch (type) {
        case stCustom:
            DoCompareItems(Item1, Item2, Res);
            if (!self) return;
            break;
        case stText: Res = CompareLocaleText(t1, t2); break;
        case stNumber: Res = CompareValues(StrToIntDef(t1, 0), StrToIntDef(t2, 0)); break;
        case stFloating: Res = CompareValues(StrToFloatDef(t1, 0), StrToFloatDef(t2, 0)); break;
        case stDateTime:
        case stDate:
        case stTime: {
            TDateTime d1, d2;
            for (const std::string* t : {&t1, &t2}) {
                if (!TextToDateTime(*t, t == &t1 ? d1 : d2))
                    throw EConvertError(Format("'%s' is not a valid date and time", t->c_str()));
            }
            Res = CompareValues(DatePart(d1, type), DatePart(d2, type));
            break;
        }
        case stBoolean: Res = CompareValues(!t1.empty(), !t2.empty()); break;
        case stCurrency: Res = CompareValues(PrettyStrToCurr(t1), PrettyStrToCurr(t2)); break;
        default: break;
        }
    }
    Res = Sign3(Res);
    if (sortMode == hsmDescend) Res = -Res;
}
