// The item stream: the exact bytes written, every older layout read from hand-made images, round
// trips of random trees, damaged and cut streams that leave the tree as it was, the application's
// events, files and the form property.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "TreeFixture.h"
#include "ctlbase/Extools.h"
#include "platform/Filer.h"
#include "tests/support/UiTest.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeres.h"

namespace {

// A stream image built field by field.
struct Image {
    std::vector<Byte> b;
    Image& Int(Integer v)
    {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<Byte>(static_cast<std::uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Image& B(Byte v)
    {
        b.push_back(v);
        return *this;
    }
    Image& Zeros(int n)
    {
        b.insert(b.end(), static_cast<size_t>(n), 0);
        return *this;
    }
    Image& Text(const std::string& s)
    {
        Int(static_cast<Integer>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    // The 128-byte record of the newest layout.
    Image& Fixed(Word State, std::vector<Integer> Images, Cardinal Options, TColor Color, TColor RowBk, TColor Bk,
                 Byte CheckState, Byte CheckType, Integer Height, Byte Border, Integer Indent, TColor Striked,
                 Integer Value)
    {
        B(static_cast<Byte>(State)).B(static_cast<Byte>(State >> 8)).Zeros(2);
        for (Integer i : Images) Int(i);
        Int(static_cast<Integer>(Options)).Zeros(4).Int(static_cast<Integer>(Color));
        Int(static_cast<Integer>(RowBk)).Int(static_cast<Integer>(Bk)).B(CheckState).B(CheckType).Zeros(2);
        Int(Height).B(Border).Zeros(3).Int(Indent).Int(static_cast<Integer>(Striked)).Int(Value);
        return Zeros(64);
    }
    Image& DefaultFixed(Word State = 0) { return Fixed(State, {-1, -1, -1, -1}, 0x128783, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }
    // A style record with its font name.
    Image& Style(TColor TextColor, Byte CellType, Integer FontSize, Byte FontStyles, Integer Value,
                 const std::string& Font)
    {
        Int(0).Int(0).Int(static_cast<Integer>(TextColor)).Int(0x8824).Int(0);
        B(CellType).B(0).B(1).B(0).Int(FontSize).B(FontStyles).Zeros(3).Int(Value);
        return Text(Font);
    }
    // A newest-layout record with no styles, no application data and Children children.
    Image& Plain(const std::string& Text_, Integer Children, Word State = 0)
    {
        Int(-11).Text(Text_).DefaultFixed(State).Int(-1).Text("").Int(0).B(0);
        return Int(Children);
    }
};

std::string Hex(const std::vector<Byte>& Bytes)
{
    std::string s;
    char buf[4];
    for (Byte b : Bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    return s;
}

void Load(TExTreeItems& Items, const std::vector<Byte>& Data)
{
    TReadOnlyMemoryStream s(Data.data(), static_cast<Int64>(Data.size()));
    Items.LoadFromStream(&s);
}

std::vector<Byte> Save(TExTreeItems& Items)
{
    TMemoryStream s;
    Items.SaveToStream(&s);
    return s.Bytes();
}

std::string StyleText(TExCellStyle* S)
{
    return Format("[%X %X %X %X t%d s%d o%d f%d/%u/%s v%d]", static_cast<unsigned>(S->CellBkColor()),
                  static_cast<unsigned>(S->TextBkColor()), static_cast<unsigned>(S->TextColor()), S->TextFlags(),
                  S->CellType(), S->Style(), S->OwnerColors(), S->FontSize(), S->FontStyles(), S->FontName().c_str(),
                  S->StyleValue());
}

// Everything the stream carries, item by item in tree order, and the tree's counts.
std::string Dump(TExTreeModel& Tree)
{
    std::string s;
    auto one = [&](TExTreeItem* it) {
        s += Format("%d|%s|%s|", it->Level(), it->Text().c_str(), it->Hint().c_str());
        if (TStringList* c = it->ColumnText()) {
            for (Integer i = 0; i < c->Count(); ++i) s += c->Get(i) + ";";
        }
        s += Format("|st%X op%X im%d,%d,%d,%d c%X r%X b%X cb%d,%d h%d bs%d ia%d sl%X v%d n%d", it->StateWord(),
                    it->Options(), it->ImageIndex(), it->StImageIndex(), it->ImageIndex2(), it->StImageIndex2(),
                    static_cast<unsigned>(it->Color()), static_cast<unsigned>(it->RowBkColor()),
                    static_cast<unsigned>(it->BkColor()), it->CheckBoxState(), it->CheckBoxType(), it->Height(),
                    it->BorderStyle(), it->IndentAdjust(), static_cast<unsigned>(it->StrikedLineColor()),
                    it->ItemValue(), it->Count());
        if (it->UseStyles() && it->MainStyle()) {
            s += StyleText(it->MainStyle());
            for (Integer i = 0; i < it->StylesCount(); ++i) s += StyleText(it->Styles(i));
        }
        s += "\n";
    };
    one(Tree.Root());
    for (Integer i = 0; i < Tree.Items()->Count(); ++i) one(Tree.Items()->Item(i));
    s += Format("hidden %d varheight %d", Tree.HiddenCount, Tree.VarHeightCount);
    return s;
}

// The counts as they would be if every item were counted afresh, and the list in step.
void ExpectCountsRight(TExTreeModel& Tree)
{
    Integer hidden = 0, varHeight = 0;
    for (Integer i = 0; i < Tree.Items()->Count(); ++i) {
        TExTreeItem* it = Tree.Items()->Item(i);
        ASSERT_EQ(it->GetAbsIndex(), i);
        hidden += it->Hidden() ? 1 : 0;
        varHeight += (it->OwnerHeight() ? 0 : 1) + (it->Multiline() && Tree.AdjustMultilineHeight() ? 1 : 0) +
                     (it->IsHTML() ? 1 : 0);
        if (TExTreeItem* p = it->Parent()) {
            ASSERT_GE(p->GetChildIndex(it), 0);
        }
        ASSERT_FALSE(it->GetOption(extree::ioDeleting));
    }
    EXPECT_EQ(Tree.HiddenCount, hidden);
    EXPECT_EQ(Tree.VarHeightCount, varHeight);
}

std::string RandomText(std::mt19937& Rng, int MaxLen)
{
    std::string s(Rng() % static_cast<unsigned>(MaxLen + 1), ' ');
    for (char& c : s) c = static_cast<char>(1 + Rng() % 255);
    return s;
}

// A tree of random shape with random values in every field the stream carries.
void FillRandom(TExTreeModel& Tree, unsigned Seed, int Count)
{
    std::mt19937 rng(Seed);
    TExTreeItems& items = *Tree.Items();
    items.BeginUpdate();
    std::vector<TExTreeItem*> made{nullptr};
    for (int i = 0; i < Count; ++i) {
        TExTreeItem* it = items.AddChild(made[rng() % made.size()], RandomText(rng, 12));
        made.push_back(it);
        if (rng() % 3 == 0) it->SetHint(RandomText(rng, 6));
        for (unsigned c = rng() % 3; c > 0; --c) it->ColumnText()->Add(RandomText(rng, 5));
        it->SetImageIndex(static_cast<Integer>(rng() % 9) - 1);
        it->SetStImageIndex2(static_cast<Integer>(rng()));
        it->SetColor(static_cast<TColor>(rng()));
        it->SetBkColor(static_cast<TColor>(rng()));
        it->SetRowBkColor(static_cast<TColor>(rng()));
        it->SetStrikedLineColor(static_cast<TColor>(rng()));
        it->SetCheckBoxState(static_cast<TCheckBoxState>(rng() % 3));
        it->SetCheckBoxType(static_cast<TExCheckBoxType>(rng() % 3));
        it->SetBorderStyle(static_cast<TExItemBorderStyle>(rng() % 4));
        it->SetIndentAdjust(static_cast<Integer>(rng() % 40) - 20);
        it->SetHeight(static_cast<std::int16_t>(rng() % 50));
        it->SetItemValue(static_cast<Integer>(rng()));
        it->SetHidden(rng() % 4 == 0);
        it->SetMultiline(rng() % 4 == 0);
        it->SetOwnerHeight(rng() % 3 != 0);
        it->SetShowCheckBox(rng() % 2 == 0);
        it->SetStrikedOutLine(rng() % 2 == 0);
        it->SetState(3, rng() % 2 == 0);
        it->SetState(5, rng() % 2 == 0);
        if (rng() % 2) it->SetExpanded(true);
        if (rng() % 3 == 0) {
            it->SetUseStyles(true);
            it->MainStyle()->SetTextColor(static_cast<TColor>(rng()));
            it->MainStyle()->SetFontName(RandomText(rng, 8));
            it->MainStyle()->SetFontStyles(rng() % 16);
            it->MainStyle()->SetStyleValue(static_cast<Integer>(rng()));
            for (unsigned c = rng() % 3; c > 0; --c) {
                TExCellStyle* st = it->AddStyle();
                st->SetCellType(static_cast<TExFieldType>(rng() % 14));
                st->SetStyle(static_cast<TExSectionStyle>(rng() % 3));
                st->SetCellBkColor(static_cast<TColor>(rng()));
                st->SetFontSize(static_cast<Integer>(rng() % 30));
                st->SetTextBkColor(static_cast<TColor>(rng()));
                st->SetTextFlags(static_cast<Integer>(rng()));
                st->SetOwnerColors(rng() % 2 == 0);
            }
        }
    }
    items.EndUpdate();
}

class StreamModel : public ::testing::Test {
protected:
    TExTreeModel tree;
    TExTreeItems& items = *tree.Items();
};

// ---------------------------------------------------------------- the bytes written

TEST_F(StreamModel, TheNewestLayoutIsWrittenByteForByte)
{
    TExTreeItem* a = items.Add(nullptr, "Ab");
    a->SetHint("h");
    a->ColumnText()->Add("c1");
    a->SetImageIndex(3);
    a->SetColor(0x112233);
    a->SetItemValue(7);
    a->SetHidden(true);
    TExTreeItem* e = items.AddChild(a, "\xE9");
    e->SetUseStyles(true);
    e->MainStyle()->SetTextColor(0xFF);
    e->MainStyle()->SetFontName("Arial");
    e->MainStyle()->SetFontSize(9);
    e->MainStyle()->SetFontStyles(1);
    e->MainStyle()->SetStyleValue(5);
    e->AddStyle()->SetCellType(sftNumber);
    e->SetHeight(-2);

    Image want;
    want.Plain("", 1, 0x80);
    want.Int(-11).Text("Ab").Fixed(0, {3, -1, -1, -1}, 0x12C783, 0x112233, 0, 0, 0, 0, 0, 0, 0, 0, 7);
    want.Int(-1).Text("h").Int(1).Text("c1").B(0).Int(1);
    want.Int(-11).Text("\xE9").Fixed(0, {-1, -1, -1, -1}, 0x129783, 0, 0, 0, 0, 0, 0xFFFE, 0, 0, 0, 0);
    want.Int(-1).Text("").Int(0).B(1).B(0);
    want.Style(0xFF, sftText, 9, 1, 5, "Arial").Int(1).Style(0xFF, sftNumber, 9, 1, 0, "Arial");
    want.Int(0);
    EXPECT_EQ(Hex(Save(items)), Hex(want.b));
}

TEST_F(StreamModel, AnEmptyTreeIsTheRootsRecordAloneAndLoadingItEmptiesATree)
{
    Image want;
    want.Plain("", 0, 0x80);
    EXPECT_EQ(Hex(Save(items)), Hex(want.b));
    items.Add(nullptr, "x");
    items.AddChild(items.Item(0), "y")->SetHidden(true);
    Load(items, want.b);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(tree.HiddenCount, 0);
}

TEST_F(StreamModel, MarksOfARunningDeletionOrSortAreNeitherWrittenNorRead)
{
    TExTreeItem* a = items.Add(nullptr, "a");
    Image img;
    img.Plain("", 1, 0x80);
    img.Int(-11).Text("a").Fixed(0x0006, {-1, -1, -1, -1}, 0x128783 | extree::ioDeleting | extree::ioNestedSort, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0);
    img.Int(-1).Text("").Int(0).B(0).Int(0);
    Load(items, img.b);
    a = items.Item(0);
    EXPECT_EQ(a->Options(), 0x128783u);
    EXPECT_FALSE(a->Selected());
    EXPECT_EQ(a->StateWord(), 0) << "focused and selected are the tree's";
    // A deletion handler saving the tree writes no deletion mark.
    tree.SetHost(nullptr);
    std::vector<Byte> during;
    struct Host : TExTreeHost {
        std::function<void(TExTreeItem*)> onDelete;
        void DoItemDelete(TExTreeItem* Item) override { onDelete(Item); }
    } host;
    host.onDelete = [&](TExTreeItem*) {
        TMemoryStream s;
        items.Root()->WriteData(&s);
        during = s.Bytes();
    };
    TExTreeItem* b = items.AddChild(a, "b");
    tree.SetHost(&host);
    items.Delete(b);
    tree.SetHost(nullptr);
    ASSERT_FALSE(during.empty());
    for (size_t at = 0; at + 4 <= during.size(); ++at) {
        const Cardinal v = during[at] | during[at + 1] << 8 | during[at + 2] << 16 | static_cast<Cardinal>(during[at + 3]) << 24;
        EXPECT_FALSE((v & 0xFFFFF000u) == ((0x128783 | extree::ioDeleting) & 0xFFFFF000u) && (v & extree::ioDeleting))
            << "at " << at;
    }
}

TEST_F(StreamModel, TheRootsOwnRecordReplacesWhatTheRootHadLoadingAfterLoading)
{
    TExTreeItem* root = items.Root();
    root->SetUseStyles(true);
    root->AddStyle()->SetFontName("one");
    root->AddStyle()->SetFontName("two");
    root->SetHint("root hint");
    root->ColumnText()->Add("rc");
    root->SetImageIndex(1);
    root->SetStImageIndex(2);
    root->SetImageIndex2(3);
    root->SetStImageIndex2(4);
    root->SetColor(0x10);
    root->SetBkColor(0x20);
    root->SetRowBkColor(0x30);
    root->SetStrikedLineColor(0x40);
    root->SetCheckBoxState(cbChecked);
    root->SetCheckBoxType(ectRadioButton);
    root->SetHeight(12);
    root->SetBorderStyle(ibsFlat);
    root->SetIndentAdjust(5);
    root->SetItemValue(99);
    root->SetDrawHLine(true);
    items.Add(nullptr, "a");
    const std::string dump = Dump(tree);
    const std::vector<Byte> bytes = Save(items);
    TExTreeModel other;
    Load(*other.Items(), bytes);
    EXPECT_EQ(Dump(other), dump);
    for (int round = 0; round < 3; ++round) {
        Load(items, bytes);
        ASSERT_EQ(root->StylesCount(), 2) << "round " << round;
        EXPECT_EQ(root->Styles(1)->FontName(), "two");
        EXPECT_EQ(root->Hint(), "root hint");
        EXPECT_EQ(root->ColumnText()->Count(), 1);
        EXPECT_EQ(Save(items), bytes);
    }
    TExTreeModel plain;
    Load(items, Save(*plain.Items()));
    EXPECT_FALSE(root->UseStyles());
    EXPECT_EQ(root->StylesCount(), 0);
    EXPECT_EQ(root->Hint(), "");
}

// ---------------------------------------------------------------- older layouts

TEST_F(StreamModel, AnUnversionedRecordStartsWithItsTextLength)
{
    Image img;
    img.Int(0).Int(0).Int(2);                                 // root: no text, no columns, 2 children
    img.Int(5).B('h').B('e').B('l').B('l').B('o').Int(1).Text("col").Int(0);
    img.Int(2).B('w').B('x').Int(-1).Text("tip").Int(0).Int(0);
    Load(items, img.b);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Item(0)->Text(), "hello");
    EXPECT_EQ(items.Item(0)->ColumnText()->Get(0), "col");
    EXPECT_EQ(items.Item(0)->Options(), extree::DefaultItemOptions) << "the defaults are kept";
    EXPECT_EQ(items.Item(1)->Text(), "wx");
    EXPECT_EQ(items.Item(1)->Hint(), "tip");
    ExpectCountsRight(tree);
}

TEST_F(StreamModel, VersionsOneToSixHaveNoFixedRecordAndOnlyLaterOnesAStylesByEventByte)
{
    for (Integer version : {-1, -2, -6}) {
        Image img;
        img.Int(version).Int(0).Int(0).B(0).Int(1);
        img.Int(version).Text("s").Int(0).B(1);
        if (version < -1) img.B(0);
        img.Style(0x00AB00, sftDate, 11, 2, 9, "Mono").Int(1).Style(0x10, sftMemo, 7, 8, 1, "").Int(0);
        Load(items, img.b);
        ASSERT_EQ(items.Count(), 1) << version;
        TExTreeItem* it = items.Item(0);
        EXPECT_TRUE(it->UseStyles());
        EXPECT_EQ(StyleText(it->MainStyle()), "[0 0 AB00 8824 t5 s0 o1 f11/2/Mono v9]") << version;
        ASSERT_EQ(it->StylesCount(), 1);
        EXPECT_EQ(StyleText(it->Styles(0)), "[0 0 10 8824 t13 s0 o1 f7/8/ v1]");
        EXPECT_EQ(it->ImageIndex(), -1);
    }
}

// The fixed record of versions -7 to -9 (52 bytes and the UseBkColor byte) or -10 (60 and the byte).
Image OldRecord(Integer Version, bool Flags)
{
    const bool v10 = Version == -10;
    std::vector<Byte> f(v10 ? 61 : 53, 0);
    auto put = [&](int at, Integer v) {
        for (int i = 0; i < 4; ++i) f[static_cast<size_t>(at + i)] = static_cast<Byte>(static_cast<std::uint32_t>(v) >> (8 * i));
    };
    put(0, 0x00FE);  // states 1..7: focused and selected must go
    put(4, 4);
    put(8, 5);
    put(12, Flags ? 1 : 0);
    put(16, 0x111111);
    put(v10 ? 24 : 20, 0x222222);
    if (v10) put(20, 0x333333);
    const Byte on = Flags ? 1 : 0;
    f[v10 ? 28 : 24] = on;               // ParentColors
    f[v10 ? 29 : 25] = on;               // ParentStyle
    f[v10 ? 30 : 26] = on;               // CheckBoxEnabled
    f[v10 ? 31 : 27] = 2;                // CheckBoxState
    f[v10 ? 32 : 28] = on;               // ShowCheckBox
    f[v10 ? 33 : 29] = 1;                // CheckBoxType
    if (!v10) {
        put(32, 6);
        put(36, 7);
    }
    f[v10 ? 44 : 40] = on;               // Enabled
    f[v10 ? 45 : 41] = on;               // Hidden
    f[v10 ? 47 : 42] = on;               // Multiline
    f[v10 ? 48 : 43] = on;               // OwnerHeight
    put(v10 ? 52 : 44, 0x7FFF0021);      // Height: the low 16 bits
    f[v10 ? 56 : 48] = on;               // SuppressLines
    f[v10 ? 57 : 49] = 0;                // IsHTML
    f.back() = on;                       // UseBkColor
    Image img;
    img.Int(0).Int(0).Int(1);
    img.Int(Version).Text("old");
    img.b.insert(img.b.end(), f.begin(), f.end());
    img.Int(0).B(0).Int(0);
    return img;
}

TEST_F(StreamModel, VersionsSevenToTenReadTheirFlagsAndFieldsWhereTheyStand)
{
    using namespace extree;
    for (Integer version : {-7, -8, -9, -10}) {
        for (bool flags : {true, false}) {
            Load(items, OldRecord(version, flags).b);
            ASSERT_EQ(items.Count(), 1);
            TExTreeItem* it = items.Item(0);
            const std::string where = "version " + std::to_string(version) + (flags ? " on" : " off");
            EXPECT_EQ(it->Text(), "old") << where;
            EXPECT_EQ(it->StateWord(), 0x00F8) << where;
            EXPECT_EQ(it->ImageIndex(), 4) << where;
            EXPECT_EQ(it->StImageIndex(), 5) << where;
            EXPECT_EQ(it->ImageIndex2(), version == -10 ? -1 : 6) << where;
            EXPECT_EQ(it->StImageIndex2(), version == -10 ? -1 : 7) << where;
            EXPECT_EQ(it->Color(), 0x111111) << where;
            EXPECT_EQ(it->BkColor(), 0x222222) << where;
            EXPECT_EQ(it->RowBkColor(), version == -10 ? 0x333333 : 0) << where;
            EXPECT_EQ(it->CheckBoxState(), cbGrayed) << where;
            EXPECT_EQ(it->CheckBoxType(), ect3SCheckBox) << where;
            EXPECT_EQ(it->Height(), 0x21) << where;
            for (Cardinal bit : {ioForceButtons, ioParentColors, ioParentStyle, ioCheckBoxEnabled, ioShowCheckBox,
                                 ioEnabled, ioHidden, ioMultiline, ioOwnerHeight, ioSuppressLines, ioUseBkColor})
                EXPECT_EQ(it->GetOption(bit), flags) << where << " bit " << std::hex << bit;
            EXPECT_FALSE(it->IsHTML());
            ExpectCountsRight(tree);
        }
    }
}

TEST_F(StreamModel, EachFlagOfVersionsSevenToTenStandsAtItsOwnPlace)
{
    using namespace extree;
    struct Flag {
        Cardinal Bit;
        int At7, At10;
    };
    const Flag flags[] = {{ioParentColors, 24, 28}, {ioParentStyle, 25, 29}, {ioCheckBoxEnabled, 26, 30},
                          {ioShowCheckBox, 28, 32},  {ioEnabled, 40, 44},     {ioHidden, 41, 45},
                          {ioMultiline, 42, 47},     {ioOwnerHeight, 43, 48}, {ioSuppressLines, 48, 56},
                          {ioIsHTML, 49, 57},        {ioUseBkColor, 52, 60}};
    const Cardinal all = ioParentColors | ioParentStyle | ioCheckBoxEnabled | ioShowCheckBox | ioEnabled | ioHidden |
                         ioMultiline | ioOwnerHeight | ioSuppressLines | ioIsHTML | ioUseBkColor | ioForceButtons;
    for (Integer version : {-8, -10}) {
        for (const Flag& f : flags) {
            Image img;
            img.Int(0).Int(0).Int(1).Int(version).Text("x");
            std::vector<Byte> fixed(version == -10 ? 61 : 53, 0);
            fixed[static_cast<size_t>(version == -10 ? f.At10 : f.At7)] = 1;
            img.b.insert(img.b.end(), fixed.begin(), fixed.end());
            img.Int(0).B(0).Int(0);
            Load(items, img.b);
            ASSERT_EQ(items.Count(), 1);
            EXPECT_EQ(items.Item(0)->Options() & all, f.Bit) << version << " flag " << std::hex << f.Bit;
            ExpectCountsRight(tree);
        }
    }
}

TEST_F(StreamModel, VersionsBelowElevenReadAsElevenAndMarkedUpItemsAreRenderedAndCounted)
{
    Image img;
    img.Plain("", 1, 0x80);
    img.Int(-40).Text("<html>x").Fixed(0, {-1, -1, -1, -1}, 0x128783 | extree::ioIsHTML, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    img.Int(-1).Text("").Int(0).B(0).Int(0);
    Load(items, img.b);
    ASSERT_EQ(items.Count(), 1);
    EXPECT_TRUE(items.Item(0)->IsHTML());
    ExpectCountsRight(tree);
    EXPECT_EQ(tree.VarHeightCount, 1);
    items.Clear();
    EXPECT_EQ(tree.VarHeightCount, 0);
}

// ---------------------------------------------------------------- round trips

TEST_F(StreamModel, RandomTreesComeBackWholeAndWriteTheSameBytesAgain)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        TExTreeModel from;
        FillRandom(from, seed, 60);
        const std::vector<Byte> bytes = Save(*from.Items());
        TExTreeModel to;
        to.Items()->Add(nullptr, "there before");
        Load(*to.Items(), bytes);
        ASSERT_EQ(Dump(to), Dump(from)) << "seed " << seed;
        ExpectCountsRight(to);
        ASSERT_EQ(Save(*to.Items()), bytes) << "seed " << seed;
        // Taking the items out again returns the counts to nothing.
        to.Items()->Clear();
        EXPECT_EQ(to.HiddenCount, 0);
        EXPECT_EQ(to.VarHeightCount, 0);
    }
}

TEST_F(StreamModel, ALongLineWithoutBlanksAndEveryByteValueComeBack)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    std::string longLine(5 * 1024 * 1024, 'x');
    longLine[12345] = '\xFF';
    TExTreeItem* a = items.Add(nullptr, longLine);
    a->ColumnText()->Add(all);
    a->SetHint("\xC4\xD6\xDC \xE4\xF6\xFC");
    const std::vector<Byte> bytes = Save(items);
    TExTreeModel other;
    Load(*other.Items(), bytes);
    ASSERT_EQ(other.Items()->Count(), 1);
    EXPECT_TRUE(other.Items()->Item(0)->Text() == longLine);
    EXPECT_EQ(other.Items()->Item(0)->ColumnText()->Get(0), all);
    EXPECT_EQ(other.Items()->Item(0)->Hint(), "\xC4\xD6\xDC \xE4\xF6\xFC");
}

TEST_F(StreamModel, ReadingIntoAnItemOfTheTreeAddsItsChildrenAndKeepsTheCounts)
{
    TExTreeModel from;
    FillRandom(from, 77, 30);
    TMemoryStream s;
    from.Items()->Root()->WriteData(&s);
    TExTreeItem* target = items.Add(nullptr, "target");
    items.Add(nullptr, "after");
    s.SetPosition(0);
    target->ReadData(&s);
    EXPECT_EQ(target->Count(), from.Items()->RootCount());
    EXPECT_EQ(items.Count(), 2 + from.Items()->Count());
    EXPECT_EQ(items.Item(items.Count() - 1)->Text(), "after");
    ExpectCountsRight(tree);
}

// ---------------------------------------------------------------- damaged streams

class Damage : public StreamModel {
protected:
    std::vector<Byte> good;
    std::string before;
    void SetUp() override
    {
        TExTreeModel from;
        FillRandom(from, 5, 8);
        good = Save(*from.Items());
        FillRandom(tree, 9, 5);
        before = Dump(tree);
    }
    // Loading Data either fails with the tree's error and no change, or succeeds with a sound tree.
    bool Try(const std::vector<Byte>& Data, std::string* Message = nullptr)
    {
        try {
            Load(items, Data);
        } catch (const EExTreeError& e) {
            if (Message) *Message = e.Message();
            EXPECT_EQ(Dump(tree), before);
            EXPECT_EQ(tree.UpdateCount(), 0);
            return false;
        }
        ExpectCountsRight(tree);
        return true;
    }
};

TEST_F(Damage, EveryCutOfAStreamFailsAndLeavesTheTreeAsItWas)
{
    for (size_t len = 0; len < good.size(); ++len) {
        std::string message;
        ASSERT_FALSE(Try(std::vector<Byte>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len)), &message))
            << "cut at " << len;
        ASSERT_EQ(message, "ExTree item stream ends early") << len;
    }
}

TEST_F(Damage, FlippedBytesAreReadOrRefusedButNeverHalfTaken)
{
    std::mt19937 rng(3);
    int refused = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<Byte> bad = good;
        bad[at] = static_cast<Byte>(bad[at] ^ (1u << (rng() % 8)));
        if (!Try(bad)) {
            ++refused;
            continue;
        }
        // Read: back to the tree before for the next try.
        items.Clear();
        FillRandom(tree, 9, 5);
        before = Dump(tree);
    }
    EXPECT_GT(refused, 0);
}

TEST_F(Damage, OutOfRangeFieldsAreRefusedWithTheirReason)
{
    auto record = [](int At, Byte Value) {
        Image img;
        img.Plain("", 1, 0x80);
        Image item;
        item.Int(-11).Text("a").DefaultFixed().Int(-1).Text("").Int(0).B(0).Int(0);
        item.b[static_cast<size_t>(8 + 1 + At)] = Value;
        img.b.insert(img.b.end(), item.b.begin(), item.b.end());
        return img.b;
    };
    std::string m;
    EXPECT_FALSE(Try(record(40, 3), &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: check box state 3");
    EXPECT_FALSE(Try(record(41, 9), &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: check box type 9");
    EXPECT_FALSE(Try(record(48, 4), &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: border style 4");
    EXPECT_FALSE(Try(record(23, 0x01), &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: option bits 01128783");

    Image style;
    style.Plain("", 1, 0x80).Int(-11).Text("a").DefaultFixed().Int(-1).Text("").Int(0).B(1).B(0);
    const size_t at = style.b.size();
    style.Style(0, sftText, 8, 0, 0, "F").Int(0).Int(0);
    for (auto [offset, value, reason] : {std::tuple{20, 14, "cell type 14"}, std::tuple{21, 3, "section style 3"},
                                         std::tuple{28, 16, "font styles 16"}}) {
        std::vector<Byte> bad = style.b;
        bad[at + static_cast<size_t>(offset)] = static_cast<Byte>(value);
        EXPECT_FALSE(Try(bad, &m));
        EXPECT_EQ(m, std::string("ExTree item stream is damaged: ") + reason);
    }
    std::vector<Byte> byEvent = style.b;
    byEvent[at - 1] = 2;
    EXPECT_FALSE(Try(byEvent, &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: styles-by-event flag 2");
    for (auto [count, reason] : {std::pair{-2, "column count -2"}, std::pair{-5, "column count -5"}}) {
        Image img;
        img.Int(0).Int(count).Int(0);
        EXPECT_FALSE(Try(img.b, &m));
        EXPECT_EQ(m, std::string("ExTree item stream is damaged: ") + reason);
    }
    Image children;
    children.Int(0).Int(0).Int(-2);
    EXPECT_FALSE(Try(children.b, &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: child count -2");
    EXPECT_TRUE(Try(record(22, 0x3F))) << "bits up to the last known one are read";
}

TEST_F(Damage, HugeLengthsAndCountsEndInAnErrorNotInAnAllocation)
{
    Image text;
    text.Int(-11).Int(0x7FFFFFFF);
    EXPECT_FALSE(Try(text.b));
    Image children;
    children.Int(0).Int(0).Int(0x7FFFFFFF).Int(0).Int(0).Int(0);
    EXPECT_FALSE(Try(children.b));
    Image columns;
    columns.Int(0).Int(0x7FFFFFFF).Int(3);
    EXPECT_FALSE(Try(columns.b));
}

// A memory stream that remembers the largest read asked of it.
class WatchedStream : public TReadOnlyMemoryStream {
public:
    using TReadOnlyMemoryStream::TReadOnlyMemoryStream;
    Int64 Read(void* Buffer, Int64 Count) override
    {
        Largest = std::max(Largest, Count);
        return TReadOnlyMemoryStream::Read(Buffer, Count);
    }
    Int64 Largest = 0;
};

TEST_F(Damage, ALengthPastTheEndIsRefusedBeforeItIsRead)
{
    for (Integer length : {0x7FFFFFFF, 1000, 9}) {
        Image img;
        img.Int(-11).Int(length).Zeros(8);
        WatchedStream s(img.b.data(), static_cast<Int64>(img.b.size()));
        EXPECT_THROW(items.LoadFromStream(&s), EExTreeError);
        EXPECT_LE(s.Largest, 8) << length;
    }
    EXPECT_EQ(Dump(tree), before);
}

TEST_F(Damage, NestingIsBoundedBothWays)
{
    auto chain = [](int Depth) {
        Image img;
        img.Int(0).Int(0).Int(1);
        for (int i = 0; i < Depth; ++i) img.Int(0).Int(0).Int(i + 1 < Depth ? 1 : 0);
        return img.b;
    };
    std::string m;
    EXPECT_TRUE(Try(chain(1024)));
    {
        // The deepest tree read is written too.
        TExTreeModel other;
        Load(*other.Items(), Save(items));
        EXPECT_EQ(other.Items()->Count(), 1024);
    }
    EXPECT_EQ(items.Item(items.Count() - 1)->Level(), 1023);
    items.Clear();
    before = Dump(tree);
    EXPECT_FALSE(Try(chain(1025), &m));
    EXPECT_EQ(m, "ExTree item stream is damaged: nesting deeper than 1024 levels");
    TExTreeItem* deep = nullptr;
    for (int i = 0; i < 1025; ++i) deep = items.AddChild(deep, "d");
    TMemoryStream s;
    try {
        items.SaveToStream(&s);
        ADD_FAILURE() << "a tree the reader refuses was written";
    } catch (const EExTreeError& e) {
        EXPECT_EQ(e.Message(), "ExTree items nested deeper than 1024 levels");
    }
    EXPECT_EQ(s.Size(), 0);
}

// ---------------------------------------------------------------- with the control

class StreamTree : public TreeTest {};

TEST_F(StreamTree, ApplicationDataAndStylesWrittenByEventComeBackThroughTheirReaders)
{
    TExTreeItem* a = Items().Add(nullptr, "a");
    a->SetUseStyles(true);
    a->AddStyle();
    a->MainStyle()->SetStyleValue(41);
    Items().AddChild(a, "b");
    Tree->OnItemSave = [](TObject*, TStream* S, TExTreeItem* Item) { WriteStringToStream(S, Item->Text() + "!"); };
    int styleSaves = 0;
    Tree->OnCellStyleSave = [&](TObject* Sender, TStream* S, TExCellStyle* Style) {
        EXPECT_EQ(Sender, Style->Owner());
        ++styleSaves;
        const Integer v = Style->StyleValue();
        S->WriteBuffer(&v, 4);
    };
    TMemoryStream s;
    Items().SaveToStream(&s);
    EXPECT_EQ(styleSaves, 2);

    std::vector<std::string> loaded;
    Tree->OnItemLoad = [&](TObject* Sender, TStream* S, TExTreeItem* Item) {
        EXPECT_EQ(Sender, Tree);
        std::string line;
        ASSERT_TRUE(ReadStringFromStream(S, line));
        loaded.push_back(line + "/" + Item->Text());
        EXPECT_EQ(Item->Collection(), &Items());
    };
    Items().Clear();
    s.SetPosition(0);
    std::string before = Dump(*Tree->Model());
    try {
        Items().LoadFromStream(&s);
        ADD_FAILURE() << "styles written by event were read without their reader";
    } catch (const EExTreeError& e) {
        EXPECT_EQ(e.Message(), "ExTree item stream is damaged: styles written by an application event, and no "
                               "OnCellStyleLoad");
    }
    EXPECT_EQ(Dump(*Tree->Model()), before);

    loaded.clear();
    Tree->OnCellStyleLoad = [&](TObject*, TStream* S, TExCellStyle* Style) {
        Integer v;
        S->ReadBuffer(&v, 4);
        Style->SetStyleValue(v);
        // The record and the font name the writer put after the event's own data.
        Byte record[36];
        S->ReadBuffer(record, 36);
        std::string font;
        ASSERT_TRUE(ReadStringFromStream(S, font));
    };
    s.SetPosition(0);
    Items().LoadFromStream(&s);
    ASSERT_EQ(Items().Count(), 2);
    EXPECT_EQ(Items().Item(0)->MainStyle()->StyleValue(), 41);
    EXPECT_EQ(Items().Item(0)->StylesCount(), 1);
    EXPECT_EQ(Items().Item(1)->Text(), "b");
    EXPECT_EQ(loaded, (std::vector<std::string>{"!/", "a!/a", "b!/b"}));

    // Into a file, which the writer hands blocks, the same bytes as into memory, those of handlers
    // that read the position and seek back to patch what they wrote, or write to the stream they hold
    // rather than the one they are given, included; onto a full disk, an error.
    Items().BeginUpdate();
    for (int i = 0; i < 1000; ++i) Items().Add(nullptr, "item");
    Items().EndUpdate();
    TStream* held = nullptr;
    Tree->OnItemSave = [&held](TObject*, TStream* S, TExTreeItem* Item) {
        const Int64 at = S->Position();
        S->WriteBuffer(&at, 8);
        WriteStringToStream(held, Item->Text() + "!");
        if (Item->GetAbsIndex() % 100 != 0) return;
        const Int64 end = S->Position();
        S->Seek(at, soBeginning);
        S->WriteBuffer(&end, 8);
        S->Seek(0, soEnd);
    };
    TMemoryStream memory, file;
    Items().SaveToStream(held = &memory);
    const std::string name = uitest::TempDir() + "/treestream_gathered.bin";
    TFileStream f(name, fmCreate);
    std::remove(name.c_str());
    Items().SaveToStream(held = &f);
    file.LoadFromStream(&f);
    EXPECT_TRUE(file.Bytes() == memory.Bytes());
    TFileStream full("/dev/full", fmOpenWrite);
    EXPECT_THROW(Items().SaveToStream(held = &full), EWriteError);
}

TEST_F(StreamTree, LoadHandlersSeeEachItemInItsPlaceAndAFailedLoadLeavesTheTreeAsItWas)
{
    TExTreeModel from;
    TExTreeItem* a = from.Items()->Add(nullptr, "a");
    from.Items()->AddChild(a, "a1");
    from.Items()->AddChild(from.Items()->AddChild(a, "a2"), "a2x");
    from.Items()->Add(nullptr, "b");
    const std::vector<Byte> bytes = Save(*from.Items());
    AddRoots(2, "old");
    std::vector<std::string> seen;
    Tree->OnItemLoad = [&](TObject*, TStream*, TExTreeItem* Item) {
        if (Item->IsHiddenRoot()) {
            seen.push_back("root " + std::to_string(Items().Count()));
            return;
        }
        seen.push_back(Item->Text() + " level " + std::to_string(Item->Level()) + " at " +
                       std::to_string(Item->GetAbsIndex()) + " under " + (Item->Parent() ? Item->Parent()->Text() : "-"));
    };
    Load(Items(), bytes);
    EXPECT_EQ(seen, (std::vector<std::string>{"root 0", "a level 0 at 0 under -", "a1 level 1 at 1 under a",
                                              "a2 level 1 at 2 under a", "a2x level 2 at 3 under a2",
                                              "b level 0 at 4 under -"}));
    EXPECT_EQ(Dump(*Tree->Model()), Dump(from));
    // Cut short, with the handlers told of what was read: what was read goes again.
    Tree->SetFocused(Items().Item(2));
    const std::string before = Dump(*Tree->Model());
    Integer deletions = 0;
    Tree->OnItemDeletion = [&](TObject*, TExTreeItem*) { ++deletions; };
    seen.clear();
    EXPECT_THROW(Load(Items(), std::vector<Byte>(bytes.begin(), bytes.end() - 6)), EExTreeError);
    Tree->OnItemDeletion = nullptr;
    EXPECT_EQ(seen.size(), 5u) << "the root, a, a1, a2 and a2x were read whole";
    EXPECT_EQ(deletions, 5) << "they went again, and b, made before its record ended";
    EXPECT_EQ(Dump(*Tree->Model()), before);
    EXPECT_EQ(Tree->GetFocused(), Items().Item(2)) << "the focus stays where it was";
    ExpectCountsRight(*Tree->Model());
    // A handler that reads the items again while they are read or written is refused (the read
    // would free the items the stream is at).
    auto again = [&](TExTreeItem* Item) {
        if (Item->Level() == 1) Load(Items(), bytes);
    };
    Tree->OnItemLoad = [&](TObject*, TStream*, TExTreeItem* Item) { again(Item); };
    try {
        Load(Items(), bytes);
        ADD_FAILURE() << "a read inside a read";
    } catch (const EExTreeError& e) {
        EXPECT_EQ(e.Message(), "ExTree items cannot be read while they are read or written");
    }
    EXPECT_EQ(Dump(*Tree->Model()), before);
    Tree->OnItemLoad = nullptr;
    Tree->OnItemSave = [&](TObject*, TStream*, TExTreeItem* Item) { again(Item); };
    EXPECT_THROW(Save(Items()), EExTreeError);
    EXPECT_EQ(Dump(*Tree->Model()), before);
}

TEST_F(StreamTree, ChildrenReadIntoAnItemShowOnScreen)
{
    AddRoots(1);
    TExTreeItem* top = Items().Item(0);
    top->SetExpanded(true);
    TExTreeModel from;
    from.Items()->Add(nullptr, "one");
    from.Items()->Add(nullptr, "two");
    TMemoryStream s;
    from.Items()->Root()->WriteData(&s);
    s.SetPosition(0);
    top->ReadData(&s);
    ASSERT_EQ(View()->RowCount(), 3);
    EXPECT_EQ(View()->Row(2)->Text(), "two");
    EXPECT_EQ(Tree->Model()->UpdateCount(), 0);
}

TEST_F(StreamTree, SavingKeepsTheFocusAndRaisesNoFocusEvents)
{
    AddRoots(3);
    Tree->SetFocused(Items().Item(1));
    int focusEvents = 0;
    Tree->OnItemFocused = [&](TObject*) { ++focusEvents; };
    TMemoryStream s;
    Items().SaveToStream(&s);
    EXPECT_EQ(Tree->Model()->Focused(), Items().Item(1));
    EXPECT_EQ(focusEvents, 0);
}

TEST_F(StreamTree, AVirtualTreeWritesNoTextsNoColumnsAndNoStyles)
{
    TExTreeItem* a = Items().Add(nullptr, "a");
    a->ColumnText()->Add("c");
    a->SetUseStyles(true);
    Tree->SetVirtualityLevel(vlTextAndStyles);
    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem*, Integer, std::string& Text) { Text = "virtual"; };
    TMemoryStream s;
    Items().SaveToStream(&s);
    Image want;
    want.Plain("", 1, 0x80).Int(-11).Text("").Fixed(0, {-1, -1, -1, -1}, 0x129783, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    want.Int(-1).Text("").Int(0).B(0).Int(0);
    EXPECT_EQ(Hex(s.Bytes()), Hex(want.b));
    // Read back into the virtual tree: the styles a plain tree wrote are read past.
    TExTreeModel plain;
    TExTreeItem* p = plain.Items()->Add(nullptr, "p");
    p->SetUseStyles(true);
    p->AddStyle();
    Load(Items(), Save(*plain.Items()));
    EXPECT_EQ(Items().Count(), 1);
}

TEST_F(StreamTree, FilesAndTheFormPropertyCarryTheItems)
{
    Items().Add(nullptr, "\xC5ngstr\xF6m");
    Items().AddChild(Items().Item(0), "\xE6\xF8\xE5")->SetHidden(true);
    const std::string file = uitest::TempDir() + "/treestream_items.bin";
    Items().SaveToFile(file);
    // A save that is refused, or that a handler's error ends half-way, leaves the last good file.
    auto contents = [&] {
        TMemoryStream m;
        m.LoadFromFile(file);
        return m.Bytes();
    };
    const std::vector<Byte> good = contents();
    ASSERT_GT(good.size(), 0u);
    TExTreeItem* deep = nullptr;
    for (int i = 0; i < 1100; ++i) deep = Items().AddChild(deep, "d");
    EXPECT_THROW(Items().SaveToFile(file), EExTreeError);
    EXPECT_EQ(contents(), good);
    Items().RootItem(1)->Delete();
    Tree->OnItemSave = [](TObject*, TStream*, TExTreeItem* Item) {
        if (Item->Level() == 1) throw EExTreeError("disk full");
    };
    EXPECT_THROW(Items().SaveToFile(file), EExTreeError);
    EXPECT_EQ(contents(), good);
    Tree->OnItemSave = nullptr;
    TExTreeModel other;
    other.Items()->LoadFromFile(file);
    EXPECT_EQ(Dump(other), Dump(*Tree->Model()));
    std::remove(file.c_str());
    EXPECT_THROW(other.Items()->LoadFromFile(file), EFOpenError);
    EXPECT_EQ(other.Items()->Count(), 2);

    TMemoryStream form;
    {
        TWriter w(&form);
        Items().DefineProperties(&w);
    }
    const Int64 withItems = form.Size();
    EXPECT_GT(withItems, 0);
    Items().Clear();
    form.SetPosition(0);
    {
        TReader r(&form);
        Items().DefineProperties(&r);
    }
    EXPECT_EQ(Dump(*Tree->Model()), Dump(other));
    // An empty collection stores nothing.
    TExTreeModel empty;
    TMemoryStream none;
    {
        TWriter w(&none);
        empty.Items()->DefineProperties(&w);
    }
    EXPECT_EQ(none.Size(), 0);
}

TEST_F(StreamTree, LoadingReplacesTheItemsWithOneDeletionEachAndASelectionThatWentWithThem)
{
    Tree->SetMultiSelect(true);
    AddRoots(4);
    Items().Item(1)->SetSelected(true);
    Tree->SetSelected(Items().Item(3));
    Tree->SetFocused(Items().Item(2));
    TExTreeModel from;
    FillRandom(from, 21, 10);
    const std::vector<Byte> bytes = Save(*from.Items());
    int deletions = 0;
    Tree->OnItemDeletion = [&](TObject*, TExTreeItem*) { ++deletions; };
    Load(Items(), bytes);
    Tree->OnItemDeletion = nullptr;
    EXPECT_EQ(deletions, 4);
    EXPECT_EQ(Tree->GetSelCount(), 0);
    EXPECT_EQ(Tree->Model()->Focused(), nullptr);
    EXPECT_EQ(Tree->GetSelected(), nullptr) << "the anchor went with its item";
    ExpectCountsRight(*Tree->Model());
    EXPECT_EQ(Dump(*Tree->Model()), Dump(from));
    // Loaded from a handler of an operation that holds items (the focus's move): they go when it
    // ends, each told once; the old items go also past a deletion handler's error, which follows.
    for (const bool raises : {false, true}) {
        SCOPED_TRACE(raises ? "a deletion handler raises" : "loaded from OnItemFocused");
        Items().Clear();
        AddRoots(4);
        deletions = 0;
        Tree->OnItemDeletion = [&](TObject*, TExTreeItem*) {
            if (++deletions == 1 && raises) throw std::runtime_error("deletion");
        };
        Tree->OnItemFocused = [&](TObject*) {
            Tree->OnItemFocused = nullptr;
            Load(Items(), bytes);
        };
        if (raises)
            EXPECT_THROW(Load(Items(), bytes), std::runtime_error);
        else
            Tree->SetFocused(Items().Item(2));
        Tree->OnItemDeletion = nullptr;
        Tree->OnItemFocused = nullptr;
        EXPECT_EQ(deletions, 4);
        ExpectCountsRight(*Tree->Model());
        EXPECT_EQ(Dump(*Tree->Model()), Dump(from));
    }
}

}  // namespace
