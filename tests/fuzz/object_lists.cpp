// Object-list loading: a store's keys read into an object holding an object list, a mixed list, a
// collection, a string list and a nested object; what was read, written into a new store and read
// back, gives the same objects.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "ctlbase/Exini.h"
#include "ctlbase/Exobjlist.h"
#include "platform/TypInfo.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

class TFuzzSpot : public TPersistent {
public:
    Integer X = 0;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info = TPublish<TFuzzSpot>("TFuzzSpot", nullptr).Ordinal("X", tkInteger, &TFuzzSpot::X, &TFuzzSpot::X).Register();
        return info;
    }
};

class TFuzzItem : public TExObjectListItem {
public:
    explicit TFuzzItem(TExObjectList* Owner) : TExObjectListItem(Owner) {}
    std::string Caption;
    double Weight = 0;
    char Mark = 'a';
    TStringList Notes;
    TFuzzSpot Spot;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TFuzzItem>("TFuzzItem", TExObjectListItem::Info())
                .String("Caption", &TFuzzItem::Caption, [](TFuzzItem& o, const std::string& v) { o.Caption = v; })
                .Float("Weight", &TFuzzItem::Weight, [](TFuzzItem& o, double v) { o.Weight = v; })
                .Ordinal("Mark", tkChar, &TFuzzItem::Mark, [](TFuzzItem& o, Int64 v) { o.Mark = char(v); })
                .Object("Notes", [](TFuzzItem& o) { return &o.Notes; })
                .Object("Spot", [](TFuzzItem& o) { return &o.Spot; })
                .Creates([](TPersistent* Owner) { return new TFuzzItem(dynamic_cast<TExObjectList*>(Owner)); })
                .Register();
        return info;
    }
};

class TFuzzBigItem : public TFuzzItem {
public:
    using TFuzzItem::TFuzzItem;
    Integer Extra = 0;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TFuzzBigItem>("TFuzzBigItem", TFuzzItem::Info())
                .Ordinal("Extra", tkInteger, &TFuzzBigItem::Extra, [](TFuzzBigItem& o, Int64 v) { o.Extra = Integer(v); })
                .Creates([](TPersistent* Owner) { return new TFuzzBigItem(dynamic_cast<TExObjectList*>(Owner)); })
                .Register();
        return info;
    }
};

class TFuzzColumn : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Label;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TFuzzColumn>("TFuzzColumn", nullptr)
                .String("Label", &TFuzzColumn::Label, [](TFuzzColumn& o, const std::string& v) { o.Label = v; })
                .Register();
        return info;
    }
};

class TFuzzHolder : public TPersistent {
public:
    TFuzzHolder() : Items(this, TFuzzItem::Info()), Mixed(this), Columns([](TCollection* c) { return new TFuzzColumn(c); }) {}
    std::string Name;
    TExObjectList Items;
    TExHeteroObjectList Mixed;
    TCollection Columns;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TFuzzHolder>("TFuzzHolder", nullptr)
                .String("Name", &TFuzzHolder::Name, [](TFuzzHolder& o, const std::string& v) { o.Name = v; })
                .Object("Items", [](TFuzzHolder& o) { return &o.Items; })
                .Object("Mixed", [](TFuzzHolder& o) { return &o.Mixed; })
                .Object("Columns", [](TFuzzHolder& o) { return &o.Columns; })
                .Register();
        return info;
    }
};

const TClassInfo* const Registered[] = {TFuzzSpot::Info(), TFuzzItem::Info(), TFuzzBigItem::Info(), TFuzzColumn::Info(), TFuzzHolder::Info()};

std::string Show(const TExObjectList& L)
{
    std::string s = "(" + std::to_string(L.Count()) + ")";
    for (Integer i = 0; i < L.Count(); ++i) {
        auto* it = dynamic_cast<TFuzzItem*>(const_cast<TExObjectList&>(L).GetItems(i));
        if (it == nullptr) {
            s += " nil";
            continue;
        }
        std::uint64_t w = 0;
        std::memcpy(&w, &it->Weight, 8);
        if (std::isnan(it->Weight)) w = 1;
        s += " [" + std::string(it->ClassName()) + " " + std::to_string(it->ID) + " <" + it->Caption + "> " +
             std::to_string(w) + " " + std::to_string(static_cast<int>(it->Mark)) + " <" + it->Notes.GetText() +
             "> " + std::to_string(it->Spot.X);
        if (auto* big = dynamic_cast<TFuzzBigItem*>(it)) s += " " + std::to_string(big->Extra);
        s += "]";
    }
    return s;
}

std::string Show(const TFuzzHolder& H)
{
    std::string s = "<" + H.Name + "> " + Show(H.Items) + " " + Show(H.Mixed) + " (";
    for (int i = 0; i < const_cast<TCollection&>(H.Columns).Count(); ++i)
        s += " <" + static_cast<TFuzzColumn*>(const_cast<TCollection&>(H.Columns).Items(i))->Label + ">";
    return s + ")";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    (void)Registered;
    TExIniFile in(nullptr);
    if (!fuzz::LoadStore(in, fuzz::Bytes(Data, Size))) return 0;
    TFuzzHolder read;
    in.ReadObject("\\H", &read);
    TExIniFile out(nullptr);
    out.WriteObject("\\H", &read);
    TFuzzHolder back;
    out.ReadObject("\\H", &back);
    // Floating-point properties travel as 10-byte extended values; a double goes there and back whole
    // except for a NaN's payload.
    const std::string a = Show(read), b = Show(back);
    FUZZ_CHECK(a == b, a + "\n---\n" + b);
    return 0;
}
