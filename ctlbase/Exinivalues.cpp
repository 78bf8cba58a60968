// The settings store's typed reads and writes, in memory and in the registry, and its published
// properties (rectangles, colours, fonts, string lists and objects kept as values).
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

// ---------------------------------------------------------------- the 10-byte extended form

void DoubleToExtended(double V, Byte Out[10])
{
    std::uint64_t mant = 0;
    unsigned exp = 0;
    if (std::isnan(V)) {
        exp = 0x7FFF;
        mant = 0xC000000000000000ULL;
    } else if (std::isinf(V)) {
        exp = 0x7FFF;
        mant = 0x8000000000000000ULL;
    } else if (V != 0) {
        int e = 0;
        const double m = std::frexp(std::fabs(V), &e);  // in [0.5, 1)
        mant = static_cast<std::uint64_t>(std::ldexp(m, 64));
        exp = static_cast<unsigned>(e - 1 + 16383);
    }
    if (std::signbit(V)) exp |= 0x8000;
    for (int i = 0; i < 8; ++i) Out[i] = static_cast<Byte>(mant >> (8 * i));
    Out[8] = static_cast<Byte>(exp);
    Out[9] = static_cast<Byte>(exp >> 8);
}

double ExtendedToDouble(const Byte In[10])
{
    std::uint64_t mant = 0;
    for (int i = 0; i < 8; ++i) mant |= static_cast<std::uint64_t>(In[i]) << (8 * i);
    const unsigned se = In[8] | (In[9] << 8);
    const int exp = static_cast<int>(se & 0x7FFF);
    const bool neg = (se & 0x8000) != 0;
    double v = 0;
    if (exp == 0x7FFF)
        v = (mant << 1) == 0 ? INFINITY : NAN;
    else if (mant != 0)
        v = std::ldexp(static_cast<double>(mant), exp - 16383 - 63);
    return neg ? -v : v;
}

// ---------------------------------------------------------------- registry data

std::vector<std::string> SplitMulti(const std::vector<Byte>& Data)
{
    std::string s(Data.begin(), Data.end());
    // The list ends with an empty item (a second zero); a list without it is read all the same.
    if (!s.empty() && s.back() == '\0') s.pop_back();
    std::vector<std::string> items;
    size_t p = 0;
    while (p < s.size()) {
        size_t z = s.find('\0', p);
        if (z == std::string::npos) z = s.size();
        items.push_back(s.substr(p, z - p));
        p = z + 1;
    }
    return items;
}

std::vector<Byte> JoinMulti(const TStrings* Strings)
{
    std::vector<Byte> d;
    for (int i = 0; i < Strings->Count(); ++i) {
        const std::string s = Strings->Get(i);
        d.insert(d.end(), s.begin(), s.end());
        d.push_back(0);
    }
    d.push_back(0);
    return d;
}

std::string RegText(const std::vector<Byte>& Data)
{
    std::string s(Data.begin(), Data.end());
    const size_t z = s.find('\0');
    return z == std::string::npos ? s : s.substr(0, z);
}

bool RegDword(DWORD Type, const std::vector<Byte>& Data, Integer& V)
{
    if (Type != REG_DWORD || Data.size() != 4) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(Data[static_cast<size_t>(i)]) << (8 * i);
    V = static_cast<Integer>(u);
    return true;
}

std::vector<Byte> DwordData(Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    return {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16), static_cast<Byte>(u >> 24)};
}

// Deletes the sub-key Name of Parent with everything below it.

std::string ItemKeyName(Integer N)
{
    return "Item{" + IntToStr(N) + "}";
}

}  // namespace

// ---------------------------------------------------------------- typed reads

bool TExIniFile::RegGet(const std::string& Key, const std::string& Name, DWORD& Type, std::vector<Byte>& Data)
{
    KeyKeeper keep(this);
    return OpenKey(Key, false) && FRegistry->GetData(Name, Type, Data);
}

bool TExIniFile::ReadBool(const std::string& Key, const std::string& Name, bool Default, bool& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        Integer v = 0;
        if (!RegGet(Key, Name, type, data) || !RegDword(type, data, v)) return false;
        Value = v != 0;
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtBoolean) {
        Value = e->BoolValue;
        return true;
    }
    if (e->ValueType == evtInt) {
        Value = e->IntValue != 0;
        return true;
    }
    return false;
}

bool TExIniFile::ReadInteger(const std::string& Key, const std::string& Name, Integer Default, Integer& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        return RegGet(Key, Name, type, data) && RegDword(type, data, Value);
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtInt) {
        Value = e->IntValue;
        return true;
    }
    // A number kept as text is handed out, but the value was not an integer.
    if (e->ValueType == evtString && !Decimal32(e->StrValue, Value)) Value = Default;
    return false;
}

bool TExIniFile::ReadString(const std::string& Key, const std::string& Name, const std::string& Default,
                            std::string& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data)) return false;
        Integer v = 0;
        switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: Value = RegText(data); return true;
        case REG_MULTI_SZ: {
            TStringList items;
            for (const auto& s : SplitMulti(data)) items.Add(s);
            Value = items.GetText();
            return true;
        }
        case REG_DWORD:
            if (!RegDword(type, data, v)) return false;
            Value = IntToStr(v);
            return true;
        case REG_BINARY: Value = Data2Str(data.data(), static_cast<Integer>(data.size())); return true;
        default: return false;
        }
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    switch (e->ValueType) {
    case evtString: Value = e->StrValue; return true;
    case evtInt: Value = IntToStr(e->IntValue); return true;
    case evtBoolean: Value = e->BoolValue ? "true" : "false"; return true;
    case evtMultiString: Value = e->MultiValue ? e->MultiValue->GetText() : std::string(); return true;
    case evtBinary: Value = Data2Str(e->BinValue.data(), static_cast<Integer>(e->BinValue.size())); return true;
    default: return false;
    }
}

bool TExIniFile::ReadMultiString(const std::string& Key, const std::string& Name, TStrings* Strings)
{
    if (Strings == nullptr) return false;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data) || type != REG_MULTI_SZ) return false;
        Strings->BeginUpdate();
        Strings->Clear();
        for (const auto& s : SplitMulti(data)) Strings->Add(s);
        Strings->EndUpdate();
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr || e->ValueType != evtMultiString) return false;
    if (e->MultiValue)
        Strings->Assign(e->MultiValue.get());
    else
        Strings->Clear();
    return true;
}

bool TExIniFile::ReadBinary(const std::string& Key, const std::string& Name, void* Buffer, Integer& Size)
{
    const Integer room = Size;
    Size = 0;
    std::vector<Byte> data;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        if (!RegGet(Key, Name, type, data) || type != REG_BINARY) return false;
    } else {
        const TExIniEntry* e = FindEntry(Key, Name);
        if (e == nullptr || e->ValueType != evtBinary) return false;
        data = e->BinValue;
    }
    Size = static_cast<Integer>(data.size());
    if (room < Size || (Buffer == nullptr && Size > 0)) return false;
    if (Size > 0) std::memcpy(Buffer, data.data(), data.size());
    return true;
}

bool TExIniFile::ReadDouble(const std::string& Key, const std::string& Name, double Default, double& Value)
{
    Value = Default;
    if (UseRegistry()) {
        DWORD type = REG_NONE;
        std::vector<Byte> data;
        if (!RegGet(Key, Name, type, data) || type != REG_BINARY || data.size() != 8) return false;
        std::memcpy(&Value, data.data(), 8);
        return true;
    }
    const TExIniEntry* e = FindEntry(Key, Name);
    if (e == nullptr) return false;
    if (e->ValueType == evtDouble) {
        Value = e->DoubleValue;
        return true;
    }
    if (e->ValueType == evtString) {
        Integer code = 0;
        ValFloat(e->StrValue, Value, code);
        return code == 0;
    }
    return false;
}

bool TExIniFile::ReadRect(const std::string& Key, const std::string& Name, const TRect& Default, TRect& Value)
{
    std::string text;
    const bool found = ReadString(Key, Name, RectToString(Default), text);
    Value = StringToRect(text);
    return found;
}

namespace {

bool ColorByte(const std::string& S, Integer& V)
{
    return Decimal32(S, V) && V >= 0 && V <= 255;
}

// The class library's colour text: a colour name, or a number ("$00BBGGRR", decimal).
bool TextToColor(const std::string& S, TColor& Color)
{
    if (IdentToColor(S, Color)) return true;
    Int64 v = 0;
    if (!TryStrToInt64(S, v) || v < INT32_MIN || v > static_cast<Int64>(UINT32_MAX)) return false;
    Color = static_cast<TColor>(static_cast<std::uint32_t>(v));
    return true;
}

}  // namespace

bool TExIniFile::ReadColor(const std::string& Key, const std::string& Name, TColor Default, TColor& Value)
{
    Value = Default;
    std::string text;
    if (!ReadString(Key, Name, ColorToString(Default), text)) return false;
    TColor c = 0;
    if (text.find('.') != std::string::npos) {
        const size_t d1 = text.find('.');
        const size_t d2 = text.find('.', d1 + 1);
        Integer r = 0, g = 0, b = 0;
        if (d2 == std::string::npos || !ColorByte(text.substr(0, d1), r) ||
            !ColorByte(text.substr(d1 + 1, d2 - d1 - 1), g) || !ColorByte(text.substr(d2 + 1), b))
            return false;
        Value = r + (g << 8) + (b << 16);
        return true;
    }
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (!TextToColor(text, c)) return false;
    Value = c;
    return true;
}

// ---------------------------------------------------------------- typed writes

bool TExIniFile::RegPut(const std::string& Key, const std::string& Name, DWORD Type, const void* Data, DWORD Size)
{
    KeyKeeper keep(this);
    return OpenKey(Key, true) && FRegistry->PutData(Name, Type, Data, Size);
}

template <class F>
bool TExIniFile::WriteEntry(const std::string& Key, const std::string& Name, F Set)
{
    if (NoName(Name)) return false;
    {
        KeyKeeper keep(this);
        if (!OpenKey(Key, true)) return false;
        TExIniEntry* e = FCurrent->GetValue(Name);
        if (e == nullptr) e = AddChild(FCurrent, Name, false);
        e->Invalidate();
        Set(*e);
        MarkChanged();
    }
    return SaveIfEager();
}

bool TExIniFile::WriteBool(const std::string& Key, const std::string& Name, bool Value)
{
    if (UseRegistry()) {
        const std::vector<Byte> d = DwordData(Value ? 1 : 0);
        return RegPut(Key, Name, REG_DWORD, d.data(), 4);
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtBoolean;
        e.BoolValue = Value;
    });
}

bool TExIniFile::WriteInteger(const std::string& Key, const std::string& Name, Integer Value)
{
    if (UseRegistry()) {
        const std::vector<Byte> d = DwordData(Value);
        return RegPut(Key, Name, REG_DWORD, d.data(), 4);
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtInt;
        e.IntValue = Value;
    });
}

bool TExIniFile::WriteString(const std::string& Key, const std::string& Name, const std::string& Value)
{
    if (UseRegistry()) {
        const std::string z = Value + '\0';
        return RegPut(Key, Name, REG_SZ, z.data(), static_cast<DWORD>(z.size()));
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtString;
        e.StrValue = Value;
    });
}

bool TExIniFile::WriteMultiString(const std::string& Key, const std::string& Name, const TStrings* Strings)
{
    if (Strings == nullptr) return false;
    if (UseRegistry()) {
        const std::vector<Byte> d = JoinMulti(Strings);
        return RegPut(Key, Name, REG_MULTI_SZ, d.data(), static_cast<DWORD>(d.size()));
    }
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtMultiString;
        e.MultiValue = std::make_unique<TStringList>();
        for (int i = 0; i < Strings->Count(); ++i) e.MultiValue->Add(Strings->Get(i));
    });
}

bool TExIniFile::WriteBinary(const std::string& Key, const std::string& Name, const void* Buffer, Integer Size)
{
    if (Size < 0 || (Buffer == nullptr && Size > 0)) return false;
    const auto* p = static_cast<const Byte*>(Buffer);
    if (UseRegistry()) return RegPut(Key, Name, REG_BINARY, Buffer, static_cast<DWORD>(Size));
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtBinary;
        if (Size > 0) e.BinValue.assign(p, p + Size);
    });
}

bool TExIniFile::WriteDouble(const std::string& Key, const std::string& Name, double Value)
{
    if (UseRegistry()) return RegPut(Key, Name, REG_BINARY, &Value, 8);
    return WriteEntry(Key, Name, [&](TExIniEntry& e) {
        e.ValueType = evtDouble;
        e.DoubleValue = Value;
    });
}

bool TExIniFile::WriteRect(const std::string& Key, const std::string& Name, const TRect& Value)
{
    return WriteString(Key, Name, RectToString(Value));
}

bool TExIniFile::WriteColor(const std::string& Key, const std::string& Name, TColor Value)
{
    return WriteString(Key, Name, ColorToString(Value));
}

// ---------------------------------------------------------------- published properties

namespace {
std::string SubKey(const std::string& Key, char Delimiter, const std::string& Name)
{
    if (Key.empty()) return Name;
    if (Key.back() == Delimiter) return Key + Name;
    return Key + Delimiter + Name;
}
}  // namespace

bool TExIniFile::WriteObject(const std::string& Key, TPersistent* Object)
{
    const TClassInfo* info = ClassInfoOf(Object);
    if (info == nullptr) return false;
    {
        // A key that cannot be made (too deep) ends the walk, so objects that hold themselves stop.
        KeyKeeper keep(this);
        if (!OpenKey(Key, true)) return false;
    }
    bool ok = true;
    for (const TPropInfo* p : GetPropList(info)) {
        switch (p->Kind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkWChar: ok = WriteInteger(Key, p->Name, static_cast<Integer>(p->GetOrd(Object))) && ok; break;
        case tkFloat: {
            Byte ext[10];
            DoubleToExtended(p->GetFloat(Object), ext);
            ok = WriteBinary(Key, p->Name, ext, 10) && ok;
            break;
        }
        case tkString:
        case tkLString: ok = WriteString(Key, p->Name, p->GetStr(Object)) && ok; break;
        case tkClass: {
            TObject* obj = p->GetObj(Object);
            const std::string sub = SubKey(Key, FDelimiter, p->Name);
            if (auto* strings = dynamic_cast<TStrings*>(obj)) {
                ok = WriteMultiString(Key, p->Name, strings) && ok;
            } else if (auto* list = dynamic_cast<TExObjectList*>(obj)) {
                WriteList(sub, list);
            } else if (auto* coll = dynamic_cast<TCollection*>(obj)) {
                {
                    KeyKeeper keep(this);
                    if (!OpenKey(sub, true)) {
                        ok = false;
                        break;
                    }
                }
                Integer n = 0;
                for (; n < coll->Count(); ++n) ok = WriteObject(SubKey(sub, FDelimiter, ItemKeyName(n)), coll->Items(n)) && ok;
                // Items of an earlier, longer collection would come back on reading.
                for (; KeyExists(SubKey(sub, FDelimiter, ItemKeyName(n))); ++n)
                    Delete(SubKey(sub, FDelimiter, ItemKeyName(n)), "");
            } else if (auto* persistent = dynamic_cast<TPersistent*>(obj)) {
                ok = WriteObject(sub, persistent) && ok;
            }
            break;
        }
        default: break;  // sets and events are not stored
        }
    }
    return ok;
}

bool TExIniFile::ReadObject(const std::string& Key, TPersistent* Object)
{
    const TClassInfo* info = ClassInfoOf(Object);
    if (info == nullptr || !KeyExists(Key)) return false;
    for (const TPropInfo* p : GetPropList(info)) {
        switch (p->Kind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkWChar: {
            Integer v = 0;
            if (ReadInteger(Key, p->Name, 0, v)) p->SetOrd(Object, v);
            break;
        }
        case tkFloat: {
            Byte ext[10];
            Integer size = 10;
            if (ReadBinary(Key, p->Name, ext, size) && size == 10) p->SetFloat(Object, ExtendedToDouble(ext));
            break;
        }
        case tkString:
        case tkLString: {
            std::string s;
            if (ReadString(Key, p->Name, "", s)) p->SetStr(Object, s);
            break;
        }
        case tkClass: {
            TObject* obj = p->GetObj(Object);
            const std::string sub = SubKey(Key, FDelimiter, p->Name);
            if (auto* strings = dynamic_cast<TStrings*>(obj)) {
                ReadMultiString(Key, p->Name, strings);
            } else if (auto* list = dynamic_cast<TExObjectList*>(obj)) {
                if (KeyExists(sub)) ReadList(sub, list);
            } else if (auto* coll = dynamic_cast<TCollection*>(obj)) {
                if (!KeyExists(sub)) break;
                TStringList names;
                EnumSubKeys(sub, &names);
                coll->Clear();
                for (int i = 0; i < names.Count(); ++i)
                    if (TCollectionItem* item = coll->Add()) ReadObject(SubKey(sub, FDelimiter, names[i]), item);
            } else if (auto* persistent = dynamic_cast<TPersistent*>(obj)) {
                if (KeyExists(sub)) ReadObject(sub, persistent);
            }
            break;
        }
        default: break;
        }
    }
    return true;
}

void TExIniFile::WriteList(const std::string& Key, TExObjectList* List)
{
    const bool mixed = dynamic_cast<TExHeteroObjectList*>(List) != nullptr;
    List->BeforeSave(this, Key);
    Integer n = 0;
    for (Integer i = 0; i < List->Count(); ++i) {
        TExObjectListItem* item = List->GetItems(i);
        if (item == nullptr) continue;
        const std::string itemKey = SubKey(Key, FDelimiter, ItemKeyName(n));
        item->BeforeSave(this, itemKey);
        WriteObject(itemKey, item);
        if (mixed) WriteString(itemKey, "ClsNm", item->ClassName());
        item->AfterSave(this, itemKey);
        ++n;
    }
    // Items of an earlier, longer list would come back on reading.
    for (; KeyExists(SubKey(Key, FDelimiter, ItemKeyName(n))); ++n) Delete(SubKey(Key, FDelimiter, ItemKeyName(n)), "");
    List->AfterSave(this, Key);
}

void TExIniFile::ReadList(const std::string& Key, TExObjectList* List)
{
    List->BeforeLoad(this, Key);
    for (Integer i = 0; i < List->Count(); ++i) {
        TExObjectListItem* item = List->GetItems(i);
        if (item == nullptr) continue;
        // An item of a mixed list reads from the key it was made from, even where items before it
        // could not be made.
        const Integer slot = item->FLoadSlot >= 0 ? item->FLoadSlot : i;
        item->FLoadSlot = -1;
        const std::string itemKey = SubKey(Key, FDelimiter, ItemKeyName(slot));
        if (!KeyExists(itemKey)) continue;
        item->BeforeLoad(this, itemKey);
        ReadObject(itemKey, item);
        item->AfterLoad(this, itemKey);
    }
    List->AfterLoad(this, Key);
}

