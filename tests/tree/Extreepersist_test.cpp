// The tree's settings in a store, copying a tree, the plain-text export, sorting from header
// clicks, the sort-sections list and the vertical bar's track hint.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TreeFixture.h"
#include "controls/Exhintwnd.h"
#include "ctlbase/Exini.h"
#include "ctlbase/Exlist.h"
#include "platform/DragInput.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"

namespace {

struct Persist : TreeTest {
    TExIniFile* Ini = new TExIniFile(Form);

    Persist() { Tree->SetStorage(Ini); }

    std::string FontState(TCustomExTree* T) const
    {
        TFont* f = T->Font();
        return f->Name() + "/" + std::to_string(f->Size()) + "/" + std::to_string(f->Color()) + "/" +
               std::to_string(f->Style());
    }
    std::string SortState(TCustomExTree* T) const
    {
        return std::to_string(T->SortType()) + std::to_string(T->SortMode()) + std::to_string(T->SortDir()) + "/" +
               std::to_string(T->SortSection());
    }
    std::string Order() const
    {
        std::string s;
        for (Integer i = 0; i < Items().Count(); ++i) s += Items().Item(i)->Text() + ",";
        return s;
    }
    Integer ReadInt(const std::string& Key, const std::string& Name) const
    {
        Integer v = -12345;
        Ini->ReadInteger(Key, Name, -12345, v);
        return v;
    }
};

// A size a restored font may have: none, or one a row can show.
bool UsableSize(Integer Size) { return Size != 0 && Size >= -1638 && Size <= 1638; }

// A temporary folder that goes with everything in it when the test ends.
struct TScratch {
    std::string Dir = uitest::TempDir();
    ~TScratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
};

std::string Exported(TCustomExTree* Tree)
{
    TMemoryStream s;
    Tree->SaveStringsToStream(&s);
    return std::string(static_cast<const char*>(s.Memory()), size_t(s.Size()));
}

}  // namespace

// ---------------------------------------------------------------- settings

TEST_F(Persist, SaveWritesTheElevenValuesUnderTheFormAndStoragePathAndKeepsTheStoresKey)
{
    AddSections({80, 80, 80});
    Form->SetName("Main");
    Tree->Font()->SetName("DejaVu Serif");
    Tree->Font()->SetSize(13);
    Tree->Font()->SetColor(clRed);
    Tree->Font()->SetStyle(FontStyle(fsItalic) | FontStyle(fsStrikeOut));
    Tree->SetSortType(stDate);
    Tree->SetSortMode(smAddClick);
    Tree->SetSortDir(sdDescend);
    Tree->SetSortSection(2);
    Ini->OpenKey("\\Elsewhere", true);
    Tree->Save();
    EXPECT_EQ(Ini->CurrentKey(), "\\Elsewhere");
    const std::string key = "\\Main\\Tree";
    EXPECT_EQ(ReadInt(key, "FontSize"), 13);
    EXPECT_EQ(ReadInt(key, "FontColor"), Integer(clRed));
    std::string name;
    EXPECT_TRUE(Ini->ReadString(key, "FontName", "", name));
    EXPECT_EQ(name, "DejaVu Serif");
    bool b = false;
    EXPECT_TRUE(Ini->ReadBool(key, "FontBold", true, b));
    EXPECT_FALSE(b);
    EXPECT_TRUE(Ini->ReadBool(key, "FontItalic", false, b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(Ini->ReadBool(key, "FontUnderline", true, b));
    EXPECT_FALSE(b);
    EXPECT_TRUE(Ini->ReadBool(key, "FontStrikeout", false, b));
    EXPECT_TRUE(b);
    EXPECT_EQ(ReadInt(key, "SortType"), Integer(stDate));
    EXPECT_EQ(ReadInt(key, "SortMode"), Integer(smAddClick));
    EXPECT_EQ(ReadInt(key, "SortDir"), Integer(sdDescend));
    EXPECT_EQ(ReadInt(key, "SortSection"), 2);
    // The columns go below the same path, by the header.
    EXPECT_EQ(ReadInt(key + "\\ExHeader\\Section1", "Width"), 80);
    TStringList names;
    Ini->EnumValues(key, &names);
    EXPECT_EQ(names.Count(), 11);
}

TEST_F(Persist, ThePathDropsAnUnnamedFormAndUsesTheStoresDelimiter)
{
    Tree->SetStoragePath("Archive");
    Tree->Save();
    EXPECT_EQ(ReadInt("\\Archive", "SortSection"), Tree->SortSection());
    EXPECT_EQ(ReadInt("\\Archive\\ExHeader", "Width"), Tree->Header()->Width());

    TExIniFile other(nullptr);
    other.SetDelimiter('/');
    Form->SetName("Rx");
    Tree->SetStorage(&other);
    Tree->Save();
    Integer v = -1;
    EXPECT_TRUE(other.ReadInteger("/Rx/Archive", "FontSize", 0, v));
    EXPECT_TRUE(other.ReadInteger("/Rx/Archive/ExHeader", "Width", 0, v));
    Tree->SetStorage(nullptr);
}

TEST_F(Persist, ATreeWithoutItsOwnFormUsesThePathAlone)
{
    // Owned by something that is no form: the path has no form name in it.
    auto* store = new TExIniFile(nullptr);
    auto* loose = new TExTree(store);
    loose->SetStorage(store);
    loose->SetSortDir(sdDescend);
    loose->Save();
    Integer v = -1;
    EXPECT_TRUE(store->ReadInteger("\\Tree", "SortDir", 0, v));
    EXPECT_EQ(v, 1);
    TObject::Free(store);
}

TEST_F(Persist, RestoreGivesBackFontAndSortSettingsWithoutSortingTheItems)
{
    AddSections({80, 80, 80});
    Items().Add(nullptr, "b");
    Items().Add(nullptr, "a");
    Items().Add(nullptr, "c");
    Tree->Font()->SetName("DejaVu Sans Mono");
    Tree->Font()->SetSize(14);
    Tree->Font()->SetColor(clNavy);
    Tree->Font()->SetStyle(FontStyle(fsBold) | FontStyle(fsUnderline));
    Tree->SetSortType(stNumber);
    Tree->SetSortMode(smAdd);
    Tree->SetSortDir(sdDescend);
    Tree->SetSortSection(1);
    const std::string font = FontState(Tree);
    const std::string sort = SortState(Tree);
    Tree->Save();

    Tree->SetSortMode(smNone);
    Tree->Font()->SetName("DejaVu Sans");
    Tree->Font()->SetSize(8);
    Tree->Font()->SetColor(clBlack);
    Tree->Font()->SetStyle(FontStyle(fsItalic));
    Tree->SetSortType(stText);
    Tree->SetSortDir(sdAscend);
    Tree->SetSortSection(-1);
    Tree->AddSortSection(2, false);
    Ini->OpenKey("\\Here", true);
    Tree->Restore();
    EXPECT_EQ(FontState(Tree), font);
    EXPECT_EQ(SortState(Tree), sort);
    EXPECT_EQ(Order(), "b,a,c,");
    // Stored straight: the list of further sort columns is not touched.
    ASSERT_NE(Tree->SortSections(), nullptr);
    EXPECT_EQ(Tree->SortSections()->Count(), 1);
    EXPECT_EQ(Ini->CurrentKey(), "\\Here");
    EXPECT_FALSE(Tree->GetUpdating());
    // The rows follow the restored font.
    EXPECT_EQ(Tree->LineHeight(), Tree->DefineLineHeight());
}

TEST_F(Persist, SettingsBeyondAsciiSurviveAFileOnDisk)
{
    TScratch scratch;
    const std::string file = scratch.Dir + "/settings.ini";
    Form->SetName("Émetteur");
    AddSections({70, 90});
    Tree->SetStoragePath("Baum/Ärger ñ 日本");
    Tree->Font()->SetName("Fönt Ω");
    Tree->Font()->SetSize(11);
    Tree->SetSortMode(smClick);
    Ini->SetPath(file);
    Tree->Save();
    ASSERT_TRUE(Ini->Save());

    auto* other = new TExTree(Form);
    other->SetParent(Form);
    other->SetBounds(10, 10, 300, 200);
    other->Header()->Sections()->AddSection()->SetWidth(20);
    other->Header()->Sections()->AddSection()->SetWidth(20);
    auto* back = new TExIniFile(Form);
    back->SetPath(file);
    ASSERT_TRUE(back->Load());
    other->SetStorage(back);
    other->SetStoragePath("Baum/Ärger ñ 日本");
    other->Restore();
    EXPECT_EQ(other->Font()->Name(), "Fönt Ω");
    EXPECT_EQ(other->Font()->Size(), 11);
    EXPECT_EQ(other->SortMode(), smClick);
    EXPECT_EQ(other->Header()->Sections()->FindSection(1)->Width(), 90);
}

TEST_F(Persist, ValuesOutOfRangeOrOfTheWrongKindKeepTheTreesOwn)
{
    AddSections({80, 80});
    Tree->SetSortType(stDate);
    Tree->SetSortMode(smAdd);
    Tree->SetSortDir(sdDescend);
    Tree->SetSortSection(1);
    Tree->Font()->SetSize(9);
    Tree->Font()->SetName("DejaVu Sans");
    const std::string sort = SortState(Tree);
    const std::string key = "\\Tree";
    struct Bad {
        const char* name;
        Integer value;
    };
    for (const Bad& bad : {Bad{"SortType", 9}, Bad{"SortType", -1}, Bad{"SortMode", 4}, Bad{"SortMode", -1},
                           Bad{"SortDir", 2}, Bad{"SortDir", -1}, Bad{"SortSection", 2}, Bad{"SortSection", -2},
                           Bad{"SortSection", 0x7fffffff}, Bad{"FontSize", 0}, Bad{"FontSize", 0x7fffffff},
                           Bad{"FontSize", -0x7fffffff - 1}, Bad{"FontSize", 1639}}) {
        SCOPED_TRACE(std::string(bad.name) + " " + std::to_string(bad.value));
        Ini->Clear();
        Ini->WriteInteger(key, bad.name, bad.value);
        Tree->Restore();
        EXPECT_EQ(SortState(Tree), sort);
        EXPECT_EQ(Tree->Font()->Size(), 9);
    }
    // Texts where numbers belong, and an empty font name.
    Ini->Clear();
    for (const char* name : {"SortType", "SortMode", "SortDir", "SortSection", "FontSize"})
        Ini->WriteString(key, name, "1x");
    Ini->WriteString(key, "FontName", "");
    Ini->WriteInteger(key, "FontBold", 5);
    Tree->Restore();
    EXPECT_EQ(SortState(Tree), sort);
    EXPECT_EQ(Tree->Font()->Name(), "DejaVu Sans");
    EXPECT_EQ(Tree->Font()->Size(), 9);
    // An integer stands for a flag: not zero is on.
    EXPECT_NE(Tree->Font()->Style() & FontStyle(fsBold), 0u);

    // The edges of each range are taken.
    Ini->Clear();
    Ini->WriteInteger(key, "SortType", stCurrency);
    Ini->WriteInteger(key, "SortMode", smAddClick);
    Ini->WriteInteger(key, "SortDir", sdAscend);
    Ini->WriteInteger(key, "SortSection", -1);
    Ini->WriteInteger(key, "FontSize", -1638);
    Tree->Restore();
    EXPECT_EQ(SortState(Tree), "830/-1");
    EXPECT_EQ(Tree->Font()->Size(), -1638);
    Ini->Clear();
    Ini->WriteInteger(key, "SortType", stCustom);
    Ini->WriteInteger(key, "SortMode", smNone);
    Ini->WriteInteger(key, "SortDir", sdDescend);
    Ini->WriteInteger(key, "SortSection", 1);
    Ini->WriteInteger(key, "FontSize", 1638);
    Tree->Restore();
    EXPECT_EQ(SortState(Tree), "001/1");
    EXPECT_EQ(Tree->Font()->Size(), 1638);
    // With the tree column elsewhere the first section is still a section to sort by.
    Tree->SetMainTreeColumn(1);
    Ini->Clear();
    Ini->WriteInteger(key, "SortSection", 0);
    Tree->Restore();
    EXPECT_EQ(Tree->SortSection(), 0);
    Tree->SetMainTreeColumn(0);
    // The main column counts even without a section of its own.
    Tree->Header()->Sections()->Clear();
    Ini->Clear();
    Ini->WriteInteger(key, "SortSection", 0);
    Tree->Restore();
    EXPECT_EQ(Tree->SortSection(), 0);
}

TEST_F(Persist, WithoutAStoreOrItsKeyNothingChanges)
{
    Tree->SetSortDir(sdDescend);
    Tree->Font()->SetStyle(FontStyle(fsBold) | FontStyle(fsStrikeOut));
    Tree->Font()->SetSize(12);
    const std::string styled = FontState(Tree);
    Ini->WriteInteger("\\Tree", "FontSize", 12);
    Tree->Restore();  // only the size is there: every flag stays as it is
    EXPECT_EQ(FontState(Tree), styled);
    Tree->Font()->SetStyle(FontStyle(fsItalic) | FontStyle(fsUnderline));
    Tree->Restore();
    EXPECT_EQ(Tree->Font()->Style(), FontStyle(fsItalic) | FontStyle(fsUnderline));
    Ini->Clear();
    const std::string font = FontState(Tree), sort = SortState(Tree);
    Tree->Restore();  // the store is empty: no key to open
    EXPECT_EQ(FontState(Tree), font);
    EXPECT_EQ(SortState(Tree), sort);
    EXPECT_FALSE(Ini->KeyExists("\\Tree"));

    Tree->SetStorage(nullptr);
    Tree->Save();
    Tree->Restore();
    EXPECT_EQ(Ini->SubKeysCount("\\"), 0);
    EXPECT_EQ(SortState(Tree), sort);
}

TEST_F(Persist, ADamagedFileGivesTheStoresErrorOrUsableSettings)
{
    AddSections({50, 50});
    Tree->SetSortSection(1);
    Tree->Save();
    std::string good;
    {
        TMemoryStream s;
        Ini->SaveToStream(&s);
        good.assign(static_cast<const char*>(s.Memory()), size_t(s.Size()));
    }
    std::mt19937 rng(42);
    for (Integer round = 0; round < 200; ++round) {
        std::string bad = good;
        const Integer flips = 1 + Integer(rng() % 8);
        for (Integer f = 0; f < flips; ++f) bad[rng() % bad.size()] = char(rng() % 256);
        if (round % 3 == 0) bad.resize(rng() % bad.size());
        TMemoryStream s;
        s.WriteBuffer(bad.data(), Int64(bad.size()));
        s.SetPosition(0);
        auto* store = new TExIniFile(nullptr);
        Tree->SetStorage(store);
        try {
            store->LoadFromStream(&s);
        } catch (const EExIniError&) {
        }
        Tree->Restore();
        EXPECT_GE(Tree->SortType(), stCustom);
        EXPECT_LE(Tree->SortType(), stCurrency);
        EXPECT_LE(Tree->SortMode(), smAddClick);
        EXPECT_LE(Tree->SortDir(), sdDescend);
        EXPECT_TRUE(Tree->SortSection() >= -1 && Tree->SortSection() <= 1);
        EXPECT_TRUE(UsableSize(Tree->Font()->Size()));
        TObject::Free(store);
        EXPECT_EQ(Tree->Storage(), nullptr);
    }
}

TEST_F(Persist, AHugeSettingsFileIsReadAndItsHugeFontNameDoesNoHarm)
{
    // Fifty thousand keys of other programs around the tree's own, and a 5 MB font name.
    TScratch scratch;
    const std::string file = scratch.Dir + "/big.ini";
    {
        std::ofstream out(file, std::ios::binary);
        for (Integer i = 0; i < 50000; ++i)
            out << "[Other\\K" << i << "]\r\nValue=" << std::string(900, char('a' + i % 26)) << "\r\n";
        out << "[Tree]\r\nSortDir=1\r\nFontName=" << std::string(5 << 20, 'x') << "\r\n";
    }
    Ini->SetPath(file);
    ASSERT_TRUE(Ini->Load());
    Tree->Restore();
    EXPECT_EQ(Tree->SortDir(), sdDescend);
    EXPECT_EQ(Tree->Font()->Name().size(), size_t(5 << 20));
    Items().Add(nullptr, "still measured");
    EXPECT_GT(Tree->LineHeight(), 0);
}

TEST_F(Persist, AStoreFreedAfterSaveLeavesTheTreeWithoutOne)
{
    Tree->Save();
    TObject::Free(Ini);
    EXPECT_EQ(Tree->Storage(), nullptr);
    EXPECT_EQ(Tree->Header()->Storage(), nullptr);
    Tree->Save();
    Tree->Restore();
}

// ---------------------------------------------------------------- copying

TEST_F(Persist, AssignCopiesItemsAndSettingsFromAnotherTree)
{
    auto* src = new TExTree(Form);
    src->SetParent(Form);
    src->SetBounds(320, 10, 300, 200);
    src->Header()->Sections()->AddSection();
    Tree->Header()->Sections()->AddSection();
    TExTreeItem* a = src->Items()->Add(nullptr, "α");
    src->Items()->AddChild(a, "β");
    for (Integer i = 0; i < 40; ++i) src->Items()->Add(nullptr, "row " + std::to_string(i));
    src->SetShowLines(false);
    src->SetShowButtons(false);
    src->SetShowRoot(true);
    // Bar style first: it sets colours of its own, which the colours below then replace.
    src->SetBarStyle(true);
    src->HandleNeeded();
    src->SetDragType(dtBoth);
    src->SetBkColor(clYellow);
    src->SetTextColor(clMaroon);
    src->SetHorizontalLines(true);
    src->SetVerticalLines(true);
    src->SetShowHeader(true);
    src->SetHeaderHotTrack(true);
    src->SetAutoLookup(true);
    src->SetOwnerDrawMask("@@");
    src->SetLinesStyle(psSolid);
    src->SetLinesColor(clTeal);
    src->SetCanEdit(false);
    src->SetShowCheckboxes(true);
    src->SetSelectColumn(0);
    src->SetStoragePath("Copied");
    src->SetVPosition(5);
    src->SetAutoLineHeight(false);
    src->SetLineHeight(23);
    src->SetBorderStyle(bsNone);
    src->PlusPicture()->SetSize(9, 7);
    src->MinusPicture()->SetSize(5, 11);
    src->LeafPicture()->SetSize(6, 6);
    src->SetCustomPlusMinus(true);
    src->SetDrawFocusRect(false);
    src->SetAlwaysKeepSelection(false);
    src->SetDeselectChildrenOnCollapse(!Tree->DeselectChildrenOnCollapse());
    src->SetTracking(!Tree->Tracking());
    src->SetLineHintMode(shmAll);

    Tree->Assign(src);
    ASSERT_EQ(Items().Count(), 42);
    EXPECT_EQ(Items().Item(0)->Text(), "α");
    EXPECT_EQ(Items().Item(1)->Text(), "β");
    EXPECT_EQ(Items().Item(1)->Parent(), Items().Item(0));
    EXPECT_FALSE(Tree->ShowLines());
    EXPECT_FALSE(Tree->ShowButtons());
    EXPECT_TRUE(Tree->ShowRoot());
    EXPECT_EQ(Tree->BkColor(), clYellow);
    EXPECT_EQ(Tree->TextColor(), clMaroon);
    EXPECT_TRUE(Tree->HorizontalLines());
    EXPECT_TRUE(Tree->VerticalLines());
    EXPECT_TRUE(Tree->ShowColumns());
    EXPECT_TRUE(Tree->HeaderHotTrack());
    EXPECT_TRUE(Tree->AutoLookup());
    EXPECT_EQ(Tree->OwnerDrawMask(), "@@");
    EXPECT_EQ(Tree->LinesStyle(), psSolid);
    EXPECT_EQ(Tree->LinesColor(), clTeal);
    EXPECT_FALSE(Tree->DoInplaceEdit());
    EXPECT_TRUE(Tree->ShowCheckboxes());
    EXPECT_TRUE(Tree->BarStyle());
    EXPECT_EQ(Tree->DragType(), dtBoth);
    // The copy takes drops from other programs as the source does.
    Form->Show();
    uitest::Pump();
    Tree->OnOleTargetDrag = [](TObject*, TDragState, TOleDragObject*, TShiftState, int, int, TDragType& Type) {
        Type = dtCopy;
    };
    EXPECT_EQ(Input::ForeignDragEnter(View(), 20, 20, {{"text/plain", "x"}}, DROPEFFECT_COPY), DWORD(DROPEFFECT_COPY));
    Input::ForeignDragLeave();
    EXPECT_EQ(Tree->SelectColumn(), 0);
    EXPECT_EQ(Tree->StoragePath(), "Copied");
    EXPECT_EQ(Tree->LineHeight(), 23);
    EXPECT_FALSE(Tree->AutoLineHeight());
    EXPECT_EQ(Tree->TopIndex(), 5);
    EXPECT_EQ(Tree->BorderStyle(), bsNone);
    EXPECT_EQ(Tree->PlusPicture()->Width(), 9);
    EXPECT_EQ(Tree->MinusPicture()->Height(), 11);
    EXPECT_EQ(Tree->LeafPicture()->Width(), 6);
    EXPECT_TRUE(Tree->CustomPlusMinus());
    EXPECT_FALSE(Tree->DrawFocusRect());
    EXPECT_FALSE(Tree->AlwaysKeepSelection());
    EXPECT_EQ(Tree->DeselectChildrenOnCollapse(), src->DeselectChildrenOnCollapse());
    EXPECT_EQ(Tree->Tracking(), src->Tracking());
    EXPECT_EQ(Tree->LineHintMode(), shmAll);
    // The bars know the copied rows.
    EXPECT_TRUE(Tree->VertScrollBar()->Visible());
    EXPECT_EQ(Tree->VertScrollBar()->Max(), src->VertScrollBar()->Max());
    EXPECT_EQ(Tree->VertScrollBar()->Page(), src->VertScrollBar()->Page());
    // The rows on screen are the copied items from the copied top row on.
    ASSERT_GT(View()->RowCount(), 0);
    EXPECT_EQ(View()->Row(0), Items().GetVisItem(5));
    EXPECT_EQ(Tree->Storage(), nullptr);
    EXPECT_FALSE(Tree->GetUpdating());
    // The copy stands alone: changing the source leaves it.
    src->Items()->Item(0)->SetText("changed");
    EXPECT_EQ(Items().Item(0)->Text(), "α");
    // Drop targets let go of the window hooks through a posted message: let it arrive.
    TObject::Free(src);
    Tree->SetDragType(dtKolvar);
    uitest::Pump();
}

TEST_F(Persist, TwoTreesGivenOneStoreByAssignBothLetGoOfItWhenItGoes)
{
    auto* src = new TExTree(Form);
    auto* store = new TExIniFile(nullptr);
    src->SetStorage(store);
    Tree->Assign(src);
    EXPECT_EQ(Tree->Storage(), store);
    TObject::Free(store);
    EXPECT_EQ(src->Storage(), nullptr);
    EXPECT_EQ(Tree->Storage(), nullptr);
    Tree->Save();  // would write into the freed store
}

TEST_F(Persist, AssignFromItselfOrSomethingElse)
{
    AddRoots(3);
    Tree->Assign(Tree);
    EXPECT_EQ(Items().Count(), 3);
    TFont font;
    EXPECT_THROW(Tree->Assign(&font), Exception);
    EXPECT_EQ(Items().Count(), 3);
}

// ---------------------------------------------------------------- export

TEST_F(Persist, ExportWritesEveryItemIndentedOneSpacePerLevelBelowTheFirstTwo)
{
    TExTreeItem* a = Items().Add(nullptr, "A");
    TExTreeItem* b = Items().AddChild(a, "B");
    TExTreeItem* c = Items().AddChild(b, "C");
    Items().AddChild(c, "D");
    Items().Add(nullptr, "E");
    a->Collapse(true);
    EXPECT_EQ(Exported(Tree), "A\r\nB\r\n C\r\n  D\r\nE\r\n");
}

TEST_F(Persist, ExportKeepsTextsByteForByteAndAsksAVirtualTreeForThem)
{
    EXPECT_EQ(Exported(Tree), "");
    // The program's code page (a sharp s, a dash, an e with a grave accent), and UTF-8 all the same.
    Items().Add(nullptr, "Gr\xFC\xDF \x96 \xE8");
    Items().Add(nullptr, "");
    Items().Add(nullptr, "日本語");
    EXPECT_EQ(Exported(Tree), "Gr\xFC\xDF \x96 \xE8\r\n\r\n日本語\r\n");

    Tree->OnVirtualTextNeeded = [](TObject*, TExTreeItem* Item, Integer Section, std::string& Text) {
        Text = "v" + std::to_string(Item->GetAbsIndex()) + ":" + std::to_string(Section);
    };
    Tree->SetVirtualityLevel(vlTextAndStyles);
    EXPECT_EQ(Exported(Tree), "v0:-1\r\nv1:-1\r\nv2:-1\r\n");
}

TEST_F(Persist, ExportOfAFiveMegabyteLineAndOfAHundredThousandItems)
{
    const std::string big(5 << 20, 'w');
    Items().Add(nullptr, big);
    EXPECT_EQ(Exported(Tree), big + "\r\n");
    Items().Clear();
    Items().BeginUpdate();
    TExTreeItem* parent = nullptr;
    for (Integer i = 0; i < 100000; ++i) parent = Items().AddChild(i % 50 == 0 ? nullptr : parent, "x");
    Items().EndUpdate();
    const std::string text = Exported(Tree);
    // 2,000 roots and their chains of 49 children: 1 + 2 + ... + 48 spaces each below the first child.
    Int64 expected = 0;
    for (Integer depth = 0; depth < 50; ++depth) expected += 3 + (depth > 1 ? depth - 1 : 0);
    EXPECT_EQ(Int64(text.size()), expected * 2000);
}

// ---------------------------------------------------------------- header clicks and the sort-sections list

namespace {

// Counts the sorts a header click asks for; the order itself is the sort's own business.
class TCountingTree : public TExTree {
public:
    using TExTree::TExTree;
    std::vector<std::string> Log;
    void Sort(bool Recursive) override
    {
        Log.push_back(std::string("sort") + (Recursive ? " all" : "") + (GetUpdating() ? " bracketed" : ""));
    }
};

struct Clicks : ::testing::Test {
    TForm* Form = new TForm(nullptr);
    TCountingTree* Tree = new TCountingTree(Form);

    Clicks()
    {
        Form->SetBounds(0, 0, 800, 600);
        Tree->SetParent(Form);
        Tree->SetBounds(10, 10, 400, 200);
        Form->AfterConstruction();
        Tree->HandleNeeded();
        for (TExFieldType t : {sftText, sftNumber, sftDate, sftBool}) {
            TExHeaderSection* s = Tree->Header()->Sections()->AddSection();
            s->SetWidth(90);
            s->SetFieldType(t);
        }
        Tree->SetShowHeader(true);
        Tree->OnHeaderColumnClick = [this](TObject* Sender, Integer Index) {
            EXPECT_EQ(Sender, Tree);
            Tree->Log.push_back("column " + std::to_string(Index));
        };
    }
    ~Clicks() override { TObject::Free(Form); }

    TExHeaderSection* Section(Integer Index) const { return Tree->Header()->Sections()->FindSection(Index); }
    void Click(Integer Index, bool Ctrl = false)
    {
        const TRect r = Tree->Header()->GetSectionRect(Index);
        const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
        const TShiftState shift = Ctrl ? TShiftState(ssCtrl) : TShiftState(0);
        // Apart in time, so that a second click on the same column is no double click.
        Input::AdvanceTime(1000);
        Input::MouseMove(Tree->Header(), x, y, shift);
        Input::Click(Tree->Header(), x, y, mbLeft, shift);
        // Let go of the modifier before the next click.
        Input::MouseMove(Tree->Header(), x, y + 1);
    }
    // The sort marks of the four sections: '-' none, 'a' ascending, 'd' descending.
    std::string Marks() const
    {
        std::string s;
        for (Integer i = 0; i < 4; ++i) s += "-ad"[Section(i)->SortMode()];
        return s;
    }
    std::vector<Integer> List() const
    {
        std::vector<Integer> r;
        if (TExList* l = Tree->SortSections())
            for (Integer i = 0; i < l->Count(); ++i) r.push_back(static_cast<TExHeaderSection*>(l->Get(i))->GetIndex());
        return r;
    }
};

}  // namespace

TEST_F(Clicks, WithoutAClickSortModeAClickOnlyTellsTheColumn)
{
    for (TSortModes mode : {smNone, smAdd}) {
        Tree->SetSortMode(mode);
        Tree->Log.clear();
        Click(2);
        Click(1, true);
        EXPECT_EQ(Tree->Log, (std::vector<std::string>{"column 2", "column 1"}));
        EXPECT_EQ(Marks(), "----");
        EXPECT_EQ(Tree->SortSections(), nullptr);
    }
}

TEST_F(Clicks, TheFirstClickSortsInTheTreesDirectionAndEachFurtherOneReverses)
{
    for (TSortModes mode : {smClick, smAddClick}) {
        for (TSortDirs dir : {sdAscend, sdDescend}) {
            SCOPED_TRACE(std::to_string(mode) + "/" + std::to_string(dir));
            for (Integer i = 0; i < 4; ++i) Section(i)->SetSortMode(hsmNone);
            Tree->SetSortSection(-1);
            Tree->SetSortMode(mode);
            Tree->SetSortDir(dir);
            Tree->Log.clear();
            Click(1);
            EXPECT_EQ(Marks(), dir == sdAscend ? "-a--" : "-d--");
            EXPECT_EQ(Tree->SortSection(), 1);
            EXPECT_EQ(Tree->SortType(), stNumber);
            // One sort of the whole tree inside the click's bracket, then the column's event.
            EXPECT_EQ(Tree->Log, (std::vector<std::string>{"sort all bracketed", "column 1"}));
            Click(1);
            EXPECT_EQ(Marks(), dir == sdAscend ? "-d--" : "-a--");
            Click(1);
            EXPECT_EQ(Marks(), dir == sdAscend ? "-a--" : "-d--");
            EXPECT_FALSE(Tree->GetUpdating());
        }
    }
}

TEST_F(Clicks, AClickOnAnotherColumnMovesTheMarkAndTheKeyAndForgetsTheFurtherColumns)
{
    Tree->SetSortMode(smClick);
    Click(0);
    Click(2, true);
    Click(3, true);
    EXPECT_EQ(List(), (std::vector<Integer>{2, 3}));
    EXPECT_EQ(Marks(), "a-aa");
    Click(2);
    EXPECT_EQ(Marks(), "--d-");  // it was ascending already: the click reverses it
    EXPECT_EQ(Tree->SortSection(), 2);
    EXPECT_EQ(Tree->SortType(), stDate);
    EXPECT_TRUE(List().empty());
    Click(3);
    EXPECT_EQ(Marks(), "---a");
    EXPECT_EQ(Tree->SortType(), stBoolean);
    // The multi-column marks are on again after each click.
    EXPECT_TRUE(Tree->Header()->MultiSortMarks);
}

TEST_F(Clicks, CtrlClicksCycleAColumnThroughAscendingDescendingAndOutOfTheList)
{
    Tree->SetSortMode(smAddClick);
    Tree->SetSortSection(0);
    Tree->Log.clear();
    Click(1, true);
    EXPECT_EQ(Tree->Log, (std::vector<std::string>{"sort all bracketed", "column 1"}));
    EXPECT_EQ(List(), std::vector<Integer>{1});
    EXPECT_EQ(Marks(), "-a--");
    Click(3, true);
    Tree->Log.clear();
    Click(1, true);
    EXPECT_EQ(Tree->Log, (std::vector<std::string>{"sort all bracketed", "column 1"}));
    EXPECT_EQ(Marks(), "-d-a");
    EXPECT_EQ(List(), (std::vector<Integer>{1, 3}));  // still in its place
    Tree->Log.clear();
    Click(1, true);
    EXPECT_EQ(Tree->Log, (std::vector<std::string>{"sort all bracketed", "column 1"}));
    EXPECT_EQ(Marks(), "---a");
    EXPECT_EQ(List(), std::vector<Integer>{3});
    // The key column stays what it was.
    EXPECT_EQ(Tree->SortSection(), 0);
    // A section marked descending from elsewhere joins the list when Ctrl-clicked.
    Section(2)->SetSortMode(hsmAscend);
    Tree->Log.clear();
    Click(2, true);
    EXPECT_EQ(Tree->Log, (std::vector<std::string>{"sort all bracketed", "column 2"}));
    EXPECT_EQ(List(), (std::vector<Integer>{3, 2}));
    EXPECT_EQ(Marks(), "--da");
}

TEST_F(Clicks, AColumnHandlerMayFreeTheTree)
{
    Tree->SetSortMode(smClick);
    TGuardPtr<TCountingTree> tree(Tree);
    Tree->OnHeaderColumnClick = [this](TObject*, Integer) { TObject::Free(Tree); };
    const TRect r = Tree->Header()->GetSectionRect(1);
    Input::Click(Tree->Header(), (r.Left + r.Right) / 2, r.Top + 2);
    EXPECT_FALSE(tree);
}

TEST_F(Clicks, TheSortSectionsListKeepsOrderIgnoresStrangersAndSortsWhenAsked)
{
    Tree->AddSortSection(2, false);
    Tree->AddSortSection(0, false);
    Tree->AddSortSection(2, false);  // added again: it moves to the end
    Tree->AddSortSection(4, false);
    Tree->AddSortSection(-1, false);
    EXPECT_EQ(List(), (std::vector<Integer>{0, 2}));
    Tree->RemoveSortSection(7, false);
    Tree->RemoveSortSection(-1, false);
    Tree->RemoveSortSection(3, false);
    EXPECT_EQ(List(), (std::vector<Integer>{0, 2}));
    EXPECT_TRUE(Tree->Log.empty());

    // Outside a bracket the sort runs at once; inside, the bracket's close does it.
    Tree->AddSortSection(1, true);
    EXPECT_EQ(Tree->Log, std::vector<std::string>{"sort all"});
    Tree->SetUpdating(true);
    Tree->RemoveSortSection(0, true);
    EXPECT_TRUE(Tree->SortPending());
    Tree->RefreshFlags().SortPending = false;
    Tree->ClearSortList(true);
    EXPECT_TRUE(Tree->SortPending());
    Tree->RefreshFlags().SortPending = false;
    Tree->SetUpdating(false);
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Tree->Log.size(), 1u);
    // A section that goes leaves the list.
    Tree->AddSortSection(3, false);
    Tree->Header()->Sections()->DeleteSection(Section(3));
    EXPECT_TRUE(List().empty());
}

TEST_F(Clicks, ASectionsFieldTypeGivesTheSortType)
{
    const std::pair<TExFieldType, TSortTypes> table[] = {
        {sftCustom, stCustom},     {sftText, stText},   {sftNumber, stNumber}, {sftFloating, stFloating},
        {sftDateTime, stDateTime}, {sftDate, stDate},   {sftTime, stTime},     {sftPicture, stCustom},
        {sftEnum, stCustom},       {sftBLOB, stCustom}, {sftUndef, stCustom},  {sftBool, stBoolean},
        {sftCurrency, stCurrency}, {sftMemo, stCustom}};
    for (const auto& [field, sort] : table) EXPECT_EQ(Tree->SectionTypeToSortType(field), sort) << int(field);
}

// ---------------------------------------------------------------- the vertical bar's track hint

TEST_F(Persist, TheTrackHintShowsTheSortColumnOfTheRowThatWouldComeToTheTop)
{
    AddSections({60, 60});
    for (Integer i = 0; i < 5; ++i) {
        TExTreeItem* item = Items().Add(nullptr, "main " + std::to_string(i));
        item->ColumnText()->Add("col " + std::to_string(i));
    }
    Tree->SetSortSection(1);
    auto hint = [this](Integer Position) {
        std::string h;
        Tree->VertScrollBar()->OnScrollHintNeeded(Tree->VertScrollBar(), Position, h);
        return h;
    };
    EXPECT_EQ(hint(3), "col 3");
    Tree->SetSortSection(0);
    EXPECT_EQ(hint(0), "main 0");
    // One past the last row, and before the first: no item, no hint.
    EXPECT_EQ(hint(5), "");
    EXPECT_EQ(hint(-1), "");
    Tree->SetSortSection(-1);
    EXPECT_EQ(hint(2), "");
    // The application's own hint wins.
    Tree->SetSortSection(1);
    Tree->OnVertScrollHintNeeded = [](TObject*, Integer Position, std::string& Hint) {
        if (Position == 4) Hint = "mine";
    };
    EXPECT_EQ(hint(4), "mine");
    EXPECT_EQ(hint(2), "col 2");
}

TEST_F(Clicks, SectionsTheHeaderLetsGoOfLeaveTheSortSectionsList)
{
    // Whatever the list holds must be a section of the header now (compared, never read).
    auto allKnown = [this] {
        TExList* list = Tree->SortSections();
        for (Integer i = 0; list && i < list->Count(); ++i)
            if (Tree->Header()->Sections()->IndexOf(static_cast<TExHeaderSection*>(list->Get(i))) < 0) return false;
        return true;
    };
    // Without a list a section's going asks for no sort.
    Tree->SetSortMode(smClick);
    Tree->Header()->Sections()->AddSection();
    Tree->Header()->Sections()->DeleteSection(Section(4));
    EXPECT_TRUE(Tree->Log.empty());
    EXPECT_EQ(Tree->SortSections(), nullptr);
    Tree->SetSortMode(smNone);

    // Read anew from a stream: the old sections go unannounced.
    Tree->AddSortSection(1, false);
    Tree->AddSortSection(3, false);
    TMemoryStream s;
    Tree->Header()->Sections()->SaveToStream(&s);
    s.SetPosition(0);
    Tree->Header()->Sections()->LoadFromStream(&s);
    EXPECT_TRUE(allKnown());
    Tree->ClearSortList(false);

    // Deleted inside the tree's bracket: the header reports the batch without naming a section.
    Tree->SetSortMode(smClick);
    Tree->AddSortSection(0, false);
    Tree->AddSortSection(2, false);
    Tree->SetUpdating(true);
    Tree->Header()->Sections()->DeleteSection(Section(2));
    Tree->RefreshFlags().SortPending = false;
    Tree->Log.clear();
    Tree->SetUpdating(false);
    EXPECT_TRUE(allKnown());
    EXPECT_EQ(List(), std::vector<Integer>{0});
    // Its column left the sort: the bracket's close sorts again.
    EXPECT_EQ(Tree->Log, std::vector<std::string>{"sort all"});

    // A section that was not in the list goes: nothing to sort again.
    Tree->Log.clear();
    Tree->Header()->Sections()->DeleteSection(Section(1));
    EXPECT_TRUE(Tree->Log.empty());
    EXPECT_EQ(List(), std::vector<Integer>{0});

    // Replaced by another header's sections.
    auto* other = new TExTree(Form);
    other->Header()->Sections()->AddSection();
    Tree->SetHeaderSections(other->Header()->Sections());
    EXPECT_TRUE(allKnown());
}

TEST_F(Clicks, ASortAfterTheHeaderReadNoSectionsComparesByNoneOfTheOldOnes)
{
    auto* tree = new TExTree(Form);
    tree->SetParent(Form);
    for (int i = 0; i < 3; ++i) tree->Header()->Sections()->AddSection();
    for (const char* t : {"b", "a", "c"}) tree->Items()->Add(nullptr, t);
    tree->AddSortSection(1, false);
    tree->AddSortSection(2, false);
    // An empty list of sections read over the three: the header announces nothing.
    auto* bare = new TExTree(Form);
    TMemoryStream s;
    bare->Header()->Sections()->SaveToStream(&s);
    s.SetPosition(0);
    tree->Header()->Sections()->LoadFromStream(&s);
    ASSERT_EQ(tree->Header()->Sections()->Count(), 0);
    tree->Sort(true);
    EXPECT_EQ(tree->SortSections()->Count(), 0);
    EXPECT_EQ(tree->Items()->Item(0)->Text(), "a");
    EXPECT_EQ(tree->Items()->Item(2)->Text(), "c");
}

TEST_F(Persist, DraggingTheVerticalThumbHintsTheSortColumnOfTheRowComingToTheTop)
{
    AddRoots(100, "item ");
    Tree->SetSortSection(0);
    TCustomExScrollBar* bar = Tree->VertScrollBar();
    ASSERT_TRUE(bar->Visible());
    bar->SetShowTrackHint(true);
    std::vector<Integer> asked;
    Tree->OnVertScrollHintNeeded = [&](TObject*, Integer Position, std::string&) { asked.push_back(Position); };
    const int x = bar->ClientWidth() / 2, y = bar->GetThumbPos() + 3;
    Input::MouseMove(bar, x, y);
    Input::MouseDown(bar, mbLeft, x, y);
    for (int to : {y + 30, bar->ClientHeight() + 60}) {
        Input::MouseMove(bar, x, to);
        ASSERT_FALSE(asked.empty());
        ASSERT_NE(bar->TrackHintWindow(), nullptr);
        const Integer at = asked.back();
        EXPECT_EQ(bar->TrackHintWindow()->Caption(), at < 100 ? "item " + std::to_string(at) : std::string());
    }
    // Dragged past the end: the last row that can come to the top.
    EXPECT_GT(asked.back(), 50);
    Input::MouseUp(bar, mbLeft, x, bar->ClientHeight() + 60);
}

// ---------------------------------------------------------------- header clicks that sort

namespace {

struct SortClicks : TreeTest {
    SortClicks()
    {
        Tree->SetBounds(10, 10, 400, 300);
        for (TExFieldType t : {sftText, sftNumber, sftText}) {
            TExHeaderSection* s = Tree->Header()->Sections()->AddSection();
            s->SetWidth(100);
            s->SetFieldType(t);
        }
        Tree->SetShowHeader(true);
        // name, number, group: the numbers and groups tie in places. Texts are in the program's
        // code page: 0xC9 is a capital E with an acute accent.
        const char* rows[][3] = {{"delta", "10", "x"}, {"alpha", "9", "y"}, {"\xC9" "chelle", "100", "x"},
                                 {"charlie", "9", "x"}, {"bravo", "-3", "y"}};
        Items().BeginUpdate();
        for (auto& r : rows) {
            TExTreeItem* item = Items().Add(nullptr, r[0]);
            item->ColumnText()->Add(r[1]);
            item->ColumnText()->Add(r[2]);
        }
        Items().EndUpdate();
        Tree->SetSortMode(smClick);
    }
    void Click(Integer Index, bool Ctrl = false)
    {
        const TRect r = Tree->Header()->GetSectionRect(Index);
        const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
        const TShiftState shift = Ctrl ? TShiftState(ssCtrl) : TShiftState(0);
        Input::AdvanceTime(1000);
        Input::MouseMove(Tree->Header(), x, y, shift);
        Input::Click(Tree->Header(), x, y, mbLeft, shift);
    }
    // The main texts in the order of the rows on screen.
    std::string Rows() const
    {
        std::string s;
        for (Integer i = 0; i < View()->RowCount(); ++i) s += View()->Row(i)->Text() + " ";
        return s;
    }
};

}  // namespace

TEST_F(SortClicks, AColumnClickSortsByItAndTheNextReverses)
{
    Click(1);
    EXPECT_EQ(Rows(), "bravo alpha charlie delta \xC9" "chelle ");
    Click(1);
    EXPECT_EQ(Rows(), "\xC9" "chelle delta charlie alpha bravo ");
    Click(0);
    EXPECT_EQ(Rows(), "alpha bravo charlie delta \xC9" "chelle ");
    EXPECT_EQ(Tree->SortType(), stText);
    // The export follows the new order.
    std::string text;
    {
        TMemoryStream m;
        Tree->SaveStringsToStream(&m);
        text.assign(static_cast<const char*>(m.Memory()), size_t(m.Size()));
    }
    EXPECT_EQ(text, "alpha\r\nbravo\r\ncharlie\r\ndelta\r\n\xC9" "chelle\r\n");
}

TEST_F(SortClicks, ACtrlClickedColumnBreaksTheKeysTies)
{
    Click(2);
    // Ties of the group keep the order the items were made in.
    EXPECT_EQ(Rows(), "delta \xC9" "chelle charlie alpha bravo ");
    Click(1, true);
    EXPECT_EQ(Rows(), "charlie delta \xC9" "chelle bravo alpha ");
    Click(1, true);
    EXPECT_EQ(Rows(), "\xC9" "chelle delta charlie alpha bravo ");
    Click(1, true);
    EXPECT_EQ(Rows(), "delta \xC9" "chelle charlie alpha bravo ");
}

TEST_F(SortClicks, SortEventsComeOnceAndTheirHandlersMayFreeTheTree)
{
    std::string log;
    Tree->OnSortBegin = [&](TObject*) { log += "begin "; };
    Tree->OnSortEnd = [&](TObject*) { log += "end "; };
    Tree->OnHeaderColumnClick = [&](TObject*, Integer Index) { log += "column " + std::to_string(Index) + " "; };
    Click(1);
    EXPECT_EQ(log, "begin end column 1 ");

    TGuardPtr<TExTree> tree(Tree);
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        auto* doomed = new TExTree(Form);
        doomed->SetParent(Form);
        doomed->SetBounds(420, 10, 300, 200);
        doomed->Header()->Sections()->AddSection()->SetWidth(80);
        doomed->SetShowHeader(true);
        doomed->Items()->Add(nullptr, "b");
        doomed->Items()->Add(nullptr, "a");
        doomed->SetSortMode(smAddClick);
        TGuardPtr<TExTree> guard(doomed);
        auto freeIt = [doomed](TObject*) { TObject::Free(doomed); };
        (which == 0 ? doomed->OnSortBegin : doomed->OnSortEnd) = freeIt;
        const TRect r = doomed->Header()->GetSectionRect(0);
        Input::AdvanceTime(1000);
        Input::Click(doomed->Header(), (r.Left + r.Right) / 2, r.Top + 2);
        EXPECT_FALSE(guard);
    }
    EXPECT_TRUE(tree);
}
