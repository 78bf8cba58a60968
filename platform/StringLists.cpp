// String lists: the abstract list with its text forms (lines, comma text, name=value pairs) and the
// sorted, owning TStringList.
#include "platform/Classes.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------- TStrings

namespace {

// Runs f inside one BeginUpdate/EndUpdate bracket, closing it also when f raises.
template <class F>
void InUpdate(TStrings& s, F&& f)
{
    s.BeginUpdate();
    try {
        f();
    } catch (...) {
        s.EndUpdate();
        throw;
    }
    s.EndUpdate();
}

}  // namespace

void TStrings::Error(const char* Msg, int Data) const
{
    throw EStringListError(Format(Msg, Data));
}

void TStrings::Put(int Index, const std::string& S)
{
    InUpdate(*this, [&] {
        TObject* obj = GetObject(Index);
        Delete(Index);
        InsertObject(Index, S, obj);
    });
}

TObject* TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

int TStrings::Add(const std::string& S)
{
    const int result = Count();
    Insert(result, S);
    return result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject)
{
    const int result = Add(S);
    PutObject(result, AObject);
    return result;
}

void TStrings::AddStrings(const TStrings* Strings)
{
    InUpdate(*this, [&] {
        for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
    });
}

void TStrings::Assign(TPersistent* Source)
{
    if (auto* src = dynamic_cast<TStrings*>(Source)) {
        if (src == this) return;
        InUpdate(*this, [&] {
            Clear();
            NameValueSeparator = src->NameValueSeparator;
            AddStrings(src);
        });
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::Exchange(int Index1, int Index2)
{
    InUpdate(*this, [&] {
        const std::string s1 = Get(Index1), s2 = Get(Index2);
        TObject* o1 = GetObject(Index1);
        TObject* o2 = GetObject(Index2);
        Put(Index1, s2);
        PutObject(Index1, o2);
        Put(Index2, s1);
        PutObject(Index2, o1);
    });
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    InUpdate(*this, [&] {
        const std::string s = Get(CurIndex);
        TObject* o = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, s, o);
    });
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const
{
    return CompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const
{
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string s = Get(i);
        const size_t p = s.find(NameValueSeparator);
        if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

bool TStrings::Equals(const TStrings* Strings) const
{
    if (Count() != Strings->Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

std::string TStrings::GetText() const
{
    std::string r;
    for (int i = 0; i < Count(); ++i) {
        r += Get(i);
        r += "\r\n";
    }
    return r;
}

void TStrings::SetText(const std::string& Value)
{
    InUpdate(*this, [&] {
        Clear();
        size_t p = 0;
        const size_t n = Value.size();
        while (p < n) {
            const size_t start = p;
            while (p < n && Value[p] != '\r' && Value[p] != '\n') ++p;
            Add(Value.substr(start, p - start));
            if (p < n && Value[p] == '\r') ++p;
            if (p < n && Value[p] == '\n') ++p;
        }
    });
}

std::string TStrings::CommaText() const
{
    if (Count() == 1 && Get(0).empty()) return "\"\"";
    std::string r;
    for (int i = 0; i < Count(); ++i) {
        const std::string s = Get(i);
        bool quote = false;
        for (char c : s)
            if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') quote = true;
        if (i > 0) r += ',';
        r += quote ? AnsiQuotedStr(s, '"') : s;
    }
    return r;
}

void TStrings::SetCommaText(const std::string& Value)
{
    InUpdate(*this, [&] {
        Clear();
        size_t p = 0;
        const size_t n = Value.size();
        auto blank = [&](size_t i) { return static_cast<unsigned char>(Value[i]) <= ' '; };
        while (p < n && blank(p)) ++p;
        while (p < n) {
            std::string s;
            if (Value[p] == '"') {
                ++p;
                while (p < n) {
                    if (Value[p] == '"') {
                        if (p + 1 < n && Value[p + 1] == '"') {
                            s += '"';
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    s += Value[p++];
                }
            } else {
                while (p < n && !blank(p) && Value[p] != ',') s += Value[p++];
            }
            Add(s);
            while (p < n && blank(p)) ++p;
            if (p < n && Value[p] == ',') {
                ++p;
                // A trailing comma stands for one more empty item.
                while (p < n && blank(p)) ++p;
                if (p >= n) Add("");
            }
        }
    });
}

std::string TStrings::Names(int Index) const
{
    const std::string s = Get(Index);
    const size_t p = s.find(NameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int Index) const
{
    const std::string s = Get(Index);
    const size_t p = s.find(NameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

std::string TStrings::Values(const std::string& Name) const
{
    const int i = IndexOfName(Name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value)
{
    int i = IndexOfName(Name);
    if (!Value.empty()) {
        if (i < 0) i = Add("");
        Put(i, Name + NameValueSeparator + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

void TStrings::BeginUpdate()
{
    // The state changes before the count rises, so that OnChanging still fires for the bracket.
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromFile(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

void TStrings::LoadFromStream(TStream* Stream)
{
    InUpdate(*this, [&] { SetText(ReadToEnd(Stream)); });
}

void TStrings::SaveToFile(const std::string& FileName) const
{
    // The text is whole before the file is touched (an error on the way leaves the old one).
    TMemoryStream text;
    SaveToStream(&text);
    text.SaveToFile(FileName);
}

void TStrings::SaveToStream(TStream* Stream) const
{
    const std::string s = GetText();
    Stream->WriteBuffer(s.data(), static_cast<Int64>(s.size()));
}

// ---------------------------------------------------------------- TStringList

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    if (OwnsObjects)
        for (Item& it : FList) delete it.Obj;
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating) Changing();
    else Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const
{
    return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

std::string TStringList::Get(int Index) const
{
    if (Index < 0 || Index >= Count()) Error(SysMsg::ListIndexError, Index);
    return FList[static_cast<size_t>(Index)].S;
}

void TStringList::Put(int Index, const std::string& S)
{
    if (FSorted) Error(SysMsg::SortedListError, 0);
    if (Index < 0 || Index >= Count()) Error(SysMsg::ListIndexError, Index);
    Changing();
    FList[static_cast<size_t>(Index)].S = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const
{
    if (Index < 0 || Index >= Count()) Error(SysMsg::ListIndexError, Index);
    return FList[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    if (Index < 0 || Index >= Count()) Error(SysMsg::ListIndexError, Index);
    Changing();
    FList[static_cast<size_t>(Index)].Obj = AObject;
    Changed();
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Insert(int Index, const std::string& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    if (FSorted) Error(SysMsg::SortedListError, 0);
    if (Index < 0 || Index > Count()) Error(SysMsg::ListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TStringList::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) Error(SysMsg::ListIndexError, Index);
    Changing();
    TObject* obj = FList[static_cast<size_t>(Index)].Obj;
    FList.erase(FList.begin() + Index);
    if (OwnsObjects) delete obj;
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty()) return;
    Changing();
    std::vector<Item> old;
    old.swap(FList);
    if (OwnsObjects)
        for (Item& it : old) delete it.Obj;
    Changed();
}

int TStringList::Add(const std::string& S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject)
{
    int index;
    if (!FSorted) {
        index = Count();
    } else if (Find(S, index)) {
        if (Duplicates == dupIgnore) return index;
        if (Duplicates == dupError) throw EStringListError(SysMsg::DuplicateString);
    }
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::Exchange(int Index1, int Index2)
{
    if (Index1 < 0 || Index1 >= Count()) Error(SysMsg::ListIndexError, Index1);
    if (Index2 < 0 || Index2 >= Count()) Error(SysMsg::ListIndexError, Index2);
    Changing();
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    if (FSorted) Error(SysMsg::SortedListError, 0);
    if (CurIndex < 0 || CurIndex >= Count()) Error(SysMsg::ListIndexError, CurIndex);
    if (NewIndex < 0 || NewIndex >= Count()) Error(SysMsg::ListIndexError, NewIndex);
    Changing();
    Item it = std::move(FList[static_cast<size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(it));
    Changed();
}

bool TStringList::Find(const std::string& S, int& Index) const
{
    bool found = false;
    int l = 0, h = Count() - 1;
    while (l <= h) {
        const int i = (l + h) / 2;
        const int c = CompareStrings(FList[static_cast<size_t>(i)].S, S);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != dupAccept) l = i;
            }
        }
    }
    Index = l;
    return found;
}

int TStringList::IndexOf(const std::string& S) const
{
    if (!FSorted) return TStrings::IndexOf(S);
    int i;
    return Find(S, i) ? i : -1;
}

void TStringList::QuickSort(int L, int R, const TStringListSortCompare& Compare)
{
    // The comparison sees only indexes, so the pivot is parked at R while partitioning.
    while (L < R) {
        const int p = (L + R) / 2;
        std::swap(FList[static_cast<size_t>(p)], FList[static_cast<size_t>(R)]);
        int store = L;
        for (int i = L; i < R; ++i) {
            if (Compare(this, i, R) < 0) {
                std::swap(FList[static_cast<size_t>(i)], FList[static_cast<size_t>(store)]);
                ++store;
            }
        }
        std::swap(FList[static_cast<size_t>(store)], FList[static_cast<size_t>(R)]);
        if (store - L < R - store) {
            QuickSort(L, store - 1, Compare);
            L = store + 1;
        } else {
            QuickSort(store + 1, R, Compare);
            R = store - 1;
        }
    }
}

void TStringList::CustomSort(const TStringListSortCompare& Compare)
{
    if (FSorted || Count() < 2) return;
    Changing();
    QuickSort(0, Count() - 1, Compare);
    Changed();
}

void TStringList::Sort()
{
    if (Count() < 2) return;
    Changing();
    std::stable_sort(FList.begin(), FList.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; });
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value) return;
    if (Value) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value) return;
    FCaseSensitive = Value;
    if (FSorted) Sort();
}
