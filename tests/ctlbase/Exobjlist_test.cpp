#include "ctlbase/Exobjlist.h"

#include <gtest/gtest.h>

#include <string>

#include "ctlbase/Exini.h"
#include "platform/TypInfo.h"

namespace {

int gAlive = 0;  // items in existence

enum TShape { shCircle, shSquare, shTriangle };

class TSpot : public TPersistent {
public:
    Integer X = 0;
    Integer Y = 0;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info = TPublish<TSpot>("TSpot", nullptr)
                                            .Ordinal("X", tkInteger, &TSpot::X, &TSpot::X)
                                            .Ordinal("Y", tkInteger, &TSpot::Y, &TSpot::Y)
                                            .Register();
        return info;
    }
};

class TShapeItem : public TExObjectListItem {
public:
    explicit TShapeItem(TExObjectList* Owner) : TExObjectListItem(Owner) { ++gAlive; }
    ~TShapeItem() override { --gAlive; }

    std::string Caption;
    Integer Size = 0;
    TShape Shape = shCircle;
    double Weight = 0;
    char Mark = 'a';
    unsigned Styles = 0;  // a set: not stored
    TStringList Notes;
    TSpot Spot;

    TShape GetShape() const { return Shape; }
    void SetShape(TShape Value) { Shape = Value; }
    void Assign(TPersistent* Source) override
    {
        TExObjectListItem::Assign(Source);
        if (auto* s = dynamic_cast<TShapeItem*>(Source)) {
            Caption = s->Caption;
            Size = s->Size;
        }
    }

    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TShapeItem>("TShapeItem", TExObjectListItem::Info())
                .String("Caption", &TShapeItem::Caption, [](TShapeItem& o, const std::string& v) { o.Caption = v; })
                .Ordinal("Size", tkInteger, &TShapeItem::Size, [](TShapeItem& o, Int64 v) { o.Size = Integer(v); })
                .Ordinal("Shape", tkEnumeration, &TShapeItem::GetShape, &TShapeItem::SetShape)
                .Float("Weight", &TShapeItem::Weight, [](TShapeItem& o, double v) { o.Weight = v; })
                .Ordinal("Mark", tkChar, &TShapeItem::Mark, [](TShapeItem& o, Int64 v) { o.Mark = char(v); })
                .Ordinal("Styles", tkSet, &TShapeItem::Styles, [](TShapeItem& o, Int64 v) { o.Styles = unsigned(v); })
                .Other("OnClick", tkMethod)
                .Object("Notes", [](TShapeItem& o) { return &o.Notes; })
                .Object("Spot", [](TShapeItem& o) { return &o.Spot; })
                .Creates([](TPersistent* Owner) { return new TShapeItem(dynamic_cast<TExObjectList*>(Owner)); })
                .Register();
        return info;
    }
};

class TBigShape : public TShapeItem {
public:
    using TShapeItem::TShapeItem;
    Integer Extra = 0;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TBigShape>("TBigShape", TShapeItem::Info())
                .Ordinal("Extra", tkInteger, &TBigShape::Extra, [](TBigShape& o, Int64 v) { o.Extra = Integer(v); })
                .Creates([](TPersistent* Owner) { return new TBigShape(dynamic_cast<TExObjectList*>(Owner)); })
                .Register();
        return info;
    }
};

// Its objects are saved with a class name nobody registered.
class TStrayShape : public TShapeItem {
public:
    using TShapeItem::TShapeItem;
};

class TColItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Label;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<TColItem>("TColItem", nullptr)
                .String("Label", &TColItem::Label, [](TColItem& o, const std::string& v) { o.Label = v; })
                .Register();
        return info;
    }
};

class THolder : public TPersistent {
public:
    THolder() : Shapes(this, TShapeItem::Info()), Mixed(this), Columns([](TCollection* c) { return new TColItem(c); }) {}
    std::string Name;
    TExObjectList Shapes;
    TExHeteroObjectList Mixed;
    TCollection Columns;
    static const TClassInfo* Info()
    {
        static const TClassInfo* info =
            TPublish<THolder>("THolder", nullptr)
                .String("Name", &THolder::Name, [](THolder& o, const std::string& v) { o.Name = v; })
                .Object("Shapes", [](THolder& o) { return &o.Shapes; })
                .Object("Mixed", [](THolder& o) { return &o.Mixed; })
                .Object("Columns", [](THolder& o) { return &o.Columns; })
                .Register();
        return info;
    }
};

// Registered when the program starts, as a unit's start-up would.
const TClassInfo* const Registered[] = {TSpot::Info(), TShapeItem::Info(), TBigShape::Info(), TColItem::Info(),
                                        THolder::Info()};

TShapeItem* Shape(TExObjectList& l, Integer i)
{
    return dynamic_cast<TShapeItem*>(l.GetItems(i));
}

void FillShape(TShapeItem* s, int n)
{
    s->Caption = "shape; \"" + std::to_string(n) + "\"\r\nline";
    s->Size = -n * 1000;
    s->Shape = static_cast<TShape>(n % 3);
    s->Weight = 0.1 * n + 1e-300;
    s->Mark = static_cast<char>('A' + n);
    s->Styles = 7;
    s->Notes.Add("note " + std::to_string(n));
    s->Notes.Add("");
    s->Spot.X = n;
    s->Spot.Y = -n;
}

void ExpectSameShape(TShapeItem* a, TShapeItem* b)
{
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->ClassName(), b->ClassName());
    EXPECT_EQ(a->ID, b->ID);
    EXPECT_EQ(a->Caption, b->Caption);
    EXPECT_EQ(a->Size, b->Size);
    EXPECT_EQ(a->Shape, b->Shape);
    EXPECT_EQ(a->Weight, b->Weight);
    EXPECT_EQ(a->Mark, b->Mark);
    EXPECT_TRUE(a->Notes.Equals(&b->Notes));
    EXPECT_EQ(a->Spot.X, b->Spot.X);
    EXPECT_EQ(a->Spot.Y, b->Spot.Y);
}

enum class Form { Text, Binary, Registry };

// Writes the holder, passes the store through its stored form, and reads it into a fresh holder.
void RoundTrip(Form form, THolder& in, THolder& out)
{
    TExIniFile ini(nullptr);
    TExIniFile back(nullptr);
    if (form == Form::Registry) {
        ini.SetUseRegistry(true);
        ini.SetPath("\\Morvik\\Objects");
        ASSERT_TRUE(ini.WriteObject("\\Holder", &in));
        back.SetUseRegistry(true);
        back.SetPath("\\Morvik\\Objects");
    } else {
        ini.SetBinaryMode(form == Form::Binary);
        back.SetBinaryMode(form == Form::Binary);
        ASSERT_TRUE(ini.WriteObject("\\Holder", &in));
        TMemoryStream m;
        ini.SaveToStream(&m);
        m.SetPosition(0);
        back.LoadFromStream(&m);
    }
    ASSERT_TRUE(back.ReadObject("\\Holder", &out));
}

void PrintTo(Form f, std::ostream* os)
{
    *os << (f == Form::Text ? "text" : f == Form::Binary ? "binary" : "registry");
}

class ObjectLists : public ::testing::TestWithParam<Form> {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }
};

TEST_P(ObjectLists, EverythingReadsBackEqual)
{
    THolder in;
    in.Name = "holder=1";
    for (int n = 0; n < 3; ++n) FillShape(dynamic_cast<TShapeItem*>(in.Shapes.Add()), n);
    auto* big = new TBigShape(&in.Mixed);
    FillShape(big, 5);
    big->Extra = 99;
    in.Mixed.AddItem(big);
    auto* plain = new TShapeItem(&in.Mixed);
    FillShape(plain, 6);
    in.Mixed.AddItem(plain);
    for (const char* label : {"first", "", "third"}) static_cast<TColItem*>(in.Columns.Add())->Label = label;

    THolder out;
    static_cast<TColItem*>(out.Columns.Add())->Label = "replaced";
    RoundTrip(GetParam(), in, out);
    EXPECT_EQ(out.Name, "holder=1");
    ASSERT_EQ(out.Shapes.Count(), 3);
    for (int n = 0; n < 3; ++n) ExpectSameShape(Shape(in.Shapes, n), Shape(out.Shapes, n));
    ASSERT_EQ(out.Mixed.Count(), 2);
    ExpectSameShape(Shape(in.Mixed, 0), Shape(out.Mixed, 0));
    ExpectSameShape(Shape(in.Mixed, 1), Shape(out.Mixed, 1));
    ASSERT_NE(dynamic_cast<TBigShape*>(out.Mixed.GetItems(0)), nullptr);
    EXPECT_EQ(dynamic_cast<TBigShape*>(out.Mixed.GetItems(0))->Extra, 99);
    ASSERT_EQ(out.Columns.Count(), 3);
    EXPECT_EQ(static_cast<TColItem*>(out.Columns.Items(0))->Label, "first");
    EXPECT_EQ(static_cast<TColItem*>(out.Columns.Items(2))->Label, "third");
    // Sets are not stored.
    EXPECT_EQ(Shape(out.Shapes, 0)->Styles, 0u);
}

INSTANTIATE_TEST_SUITE_P(Forms, ObjectLists, ::testing::Values(Form::Text, Form::Binary, Form::Registry),
                         [](const auto& info) {
                             return std::string(info.param == Form::Text     ? "Text"
                                                : info.param == Form::Binary ? "Binary"
                                                                             : "Registry");
                         });

class ObjectListTest : public ::testing::Test {
protected:
    void SetUp() override { platform::RegistryUseMemory(); }
    TExIniFile ini{nullptr};
};

TEST_F(ObjectListTest, StoredNamesAndLayout)
{
    THolder h;
    for (int n = 0; n < 3; ++n) h.Shapes.Add();
    h.Mixed.Add();
    ASSERT_TRUE(ini.WriteObject("\\H", &h));
    Integer v = -1;
    EXPECT_TRUE(ini.ReadInteger("\\H\\Shapes", "ItemsCount", 0, v));
    EXPECT_EQ(v, 3);
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(ini.ReadInteger("\\H\\Shapes\\Item{" + std::to_string(n) + "}", "ID", -1, v));
        EXPECT_EQ(v, n);
    }
    EXPECT_TRUE(ini.ReadInteger("\\H\\Mixed", "HetItemsCount", 0, v));
    EXPECT_EQ(v, 1);
    THolder back;  // a mixed list of one item comes back with it
    ASSERT_TRUE(ini.ReadObject("\\H", &back));
    EXPECT_EQ(back.Mixed.Count(), 1);
    std::string cls;
    EXPECT_TRUE(ini.ReadString("\\H\\Mixed\\Item{0}", "ClsNm", "", cls));
    EXPECT_EQ(cls, "TExObjectListItem");
    // A floating-point property is the 10-byte extended form: 1.5 = 0xC000... with exponent 0x3FFF.
    h.Shapes.Clear();
    h.Shapes.Add();
    Shape(h.Shapes, 0)->Weight = 1.5;
    ini.WriteObject("\\H", &h);
    Byte ext[16];
    Integer size = 16;
    ASSERT_TRUE(ini.ReadBinary("\\H\\Shapes\\Item{0}", "Weight", ext, size));
    const Byte expected[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    ASSERT_EQ(size, 10);
    EXPECT_EQ(std::vector<Byte>(ext, ext + 10), std::vector<Byte>(expected, expected + 10));
}

TEST_F(ObjectListTest, IdentifiersAreNeverHandedOutTwice)
{
    TExObjectList list(nullptr, TShapeItem::Info());
    EXPECT_EQ(list.Add()->ID, 0);
    EXPECT_EQ(list.Add()->ID, 1);
    auto* own = new TShapeItem(&list);
    own->ID = 10;
    list.AddItem(own);
    EXPECT_EQ(list.Add()->ID, 11);

    THolder h;
    h.Shapes.Add()->ID = 40;
    h.Shapes.Add()->ID = 7;
    ini.WriteObject("\\H", &h);
    THolder loaded;
    ini.ReadObject("\\H", &loaded);
    ASSERT_EQ(loaded.Shapes.Count(), 2);
    EXPECT_EQ(loaded.Shapes.GetItems(0)->ID, 40);
    EXPECT_EQ(loaded.Shapes.GetItems(1)->ID, 7);
    EXPECT_EQ(loaded.Shapes.Add()->ID, 41);

    TExObjectList copy(nullptr, TShapeItem::Info());
    copy.Assign(&loaded.Shapes);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.GetItems(0)->ID, 40);
    EXPECT_EQ(copy.GetItems(1)->ID, 7);
    const Integer fresh = copy.Add()->ID;
    EXPECT_GT(fresh, 41);
}

TEST_F(ObjectListTest, ListsOwnTheirItems)
{
    const int before = gAlive;
    {
        THolder h;
        for (int n = 0; n < 4; ++n) h.Shapes.Add();
        EXPECT_EQ(gAlive, before + 4);
        h.Shapes.SetItems(0, new TShapeItem(&h.Shapes));
        EXPECT_EQ(gAlive, before + 4);
        h.Shapes.Delete(1);
        EXPECT_EQ(gAlive, before + 3);
        ini.WriteObject("\\H", &h);
        // Loading over existing items frees them first.
        for (int i = 0; i < 3; ++i) ini.ReadObject("\\H", &h);
        EXPECT_EQ(gAlive, before + 3);
    }
    EXPECT_EQ(gAlive, before);
}

TEST_F(ObjectListTest, AssignFromAPlainListCopiesTheItemsItPointsAt)
{
    const int before = gAlive;
    {
        TExObjectList owner(nullptr, TShapeItem::Info());
        for (int n = 0; n < 2; ++n) FillShape(dynamic_cast<TShapeItem*>(owner.Add()), n);
        auto* big = new TBigShape(&owner);
        big->ID = 9;
        owner.AddItem(big);
        TExList view;  // borrows the owner's items
        for (Integer i = 0; i < owner.Count(); ++i) view.Add(owner.GetItems(i));
        view.Add(nullptr);

        TExObjectList copy(nullptr, TShapeItem::Info());
        copy.Assign(&view);
        ASSERT_EQ(copy.Count(), 3);
        EXPECT_EQ(gAlive, before + 6);
        for (Integer i = 0; i < 3; ++i) {
            EXPECT_NE(copy.GetItems(i), owner.GetItems(i));
            EXPECT_EQ(copy.GetItems(i)->ID, owner.GetItems(i)->ID);
        }
        EXPECT_EQ(Shape(copy, 1)->Caption, Shape(owner, 1)->Caption);
        EXPECT_NE(dynamic_cast<TBigShape*>(copy.GetItems(2)), nullptr);
        EXPECT_EQ(copy.Add()->ID, 10);
        TStringList notAList;
        EXPECT_THROW(copy.Assign(&notAList), EConvertError);
    }
    // Each item went exactly once (a shared one would have gone twice).
    EXPECT_EQ(gAlive, before);
}

TEST_F(ObjectListTest, MixedListSkipsUnregisteredClassesWithoutShiftingTheOthers)
{
    THolder in;
    auto* stray = new TStrayShape(&in.Mixed);
    FillShape(stray, 1);
    in.Mixed.AddItem(stray);
    auto* big = new TBigShape(&in.Mixed);
    FillShape(big, 2);
    big->Extra = 5;
    in.Mixed.AddItem(big);
    ini.WriteObject("\\H", &in);
    THolder out;
    ini.ReadObject("\\H", &out);
    ASSERT_EQ(out.Mixed.Count(), 1);
    auto* got = dynamic_cast<TBigShape*>(out.Mixed.GetItems(0));
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Extra, 5);
    ExpectSameShape(big, got);
}

TEST_F(ObjectListTest, ExtraKeysAndShorterListsSavedLater)
{
    THolder h;
    for (int n = 0; n < 3; ++n) FillShape(dynamic_cast<TShapeItem*>(h.Shapes.Add()), n);
    for (int n = 0; n < 3; ++n) h.Mixed.Add();
    for (int n = 0; n < 3; ++n) h.Columns.Add();
    ini.WriteObject("\\H", &h);
    // More stored items than the count says: only the counted ones come back.
    ini.WriteInteger("\\H\\Shapes", "ItemsCount", 2);
    THolder out;
    ini.ReadObject("\\H", &out);
    EXPECT_EQ(out.Shapes.Count(), 2);
    ExpectSameShape(Shape(h.Shapes, 1), Shape(out.Shapes, 1));
    // Saving shorter lists over longer ones leaves no stale items behind.
    h.Shapes.Delete(2);
    h.Shapes.Delete(1);
    h.Mixed.Delete(0);
    h.Columns.Delete(0);
    ini.WriteObject("\\H", &h);
    THolder again;
    ini.ReadObject("\\H", &again);
    EXPECT_EQ(again.Shapes.Count(), 1);
    EXPECT_EQ(again.Mixed.Count(), 2);
    EXPECT_EQ(again.Columns.Count(), 2);
    EXPECT_FALSE(ini.KeyExists("\\H\\Columns\\Item{2}"));
}

TEST_F(ObjectListTest, ADamagedCountMakesNoMoreItemsThanWereStored)
{
    THolder h;
    h.Shapes.Add();
    ini.WriteObject("\\H", &h);
    ini.WriteInteger("\\H\\Shapes", "ItemsCount", 0x7FFFFFFF);
    ini.WriteInteger("\\H\\Mixed", "HetItemsCount", 0x7FFFFFFF);
    THolder out;
    ini.ReadObject("\\H", &out);
    EXPECT_EQ(out.Shapes.Count(), 1);
    EXPECT_EQ(out.Mixed.Count(), 0);
}

TEST_F(ObjectListTest, AbsentValuesLeavePropertiesAlone)
{
    TShapeItem item(nullptr);
    item.Caption = "keep";
    item.Size = 3;
    EXPECT_FALSE(ini.ReadObject("\\missing", &item));
    ini.WriteInteger("\\partial", "Size", 9);
    ini.WriteString("\\partial", "Shape", "not a number");
    EXPECT_TRUE(ini.ReadObject("\\partial", &item));
    EXPECT_EQ(item.Caption, "keep");
    EXPECT_EQ(item.Size, 9);
    EXPECT_EQ(item.Shape, shCircle);
    EXPECT_FALSE(ini.KeyExists("\\missing"));
    TPersistent unknown;
    EXPECT_FALSE(ini.WriteObject("\\u", &unknown));
}

}  // namespace
