// Sorting: each key type, further sort sections, the comparison event, ties, errors half-way and
// the all-items list after a sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "TreeFixture.h"
#include "platform/DateUtils.h"
#include "tree/Extreeres.h"

namespace {

class SortTest : public TreeTest {
protected:
    // Root items with these texts, in this order.
    std::vector<TExTreeItem*> Roots(const std::vector<std::string>& Texts)
    {
        std::vector<TExTreeItem*> made;
        Items().BeginUpdate();
        for (const auto& t : Texts) made.push_back(Items().Add(nullptr, t));
        Items().EndUpdate();
        return made;
    }
    std::vector<std::string> RootTexts(TExTreeItem* Parent = nullptr) const
    {
        TExTreeItem* p = Parent ? Parent : Items().Root();
        std::vector<std::string> texts;
        for (Integer i = 0; i < p->Count(); ++i) texts.push_back(p->Items(i)->Text());
        return texts;
    }
    std::vector<std::string> SortedBy(TSortTypes Type, const std::vector<std::string>& Texts,
                                      TSortDirs Dir = sdAscend)
    {
        Items().Clear();
        Roots(Texts);
        Tree->SetSortType(Type);
        Tree->SetSortDir(Dir);
        Tree->Sort(false);
        return RootTexts();
    }
    // The all-items list is the pre-order of the children lists, and every item finds itself.
    void ExpectListInStep() const
    {
        std::vector<TExTreeItem*> order;
        std::vector<TExTreeItem*> stack;
        for (Integer i = Items().Root()->Count() - 1; i >= 0; --i) stack.push_back(Items().Root()->Items(i));
        while (!stack.empty()) {
            TExTreeItem* item = stack.back();
            stack.pop_back();
            order.push_back(item);
            for (Integer i = item->Count() - 1; i >= 0; --i) stack.push_back(item->Items(i));
        }
        ASSERT_EQ(Items().Count(), static_cast<Integer>(order.size()));
        for (size_t i = 0; i < order.size(); ++i) {
            ASSERT_EQ(Items().Item(static_cast<Integer>(i)), order[i]) << "position " << i;
            ASSERT_EQ(order[i]->GetAbsIndex(), static_cast<Integer>(i));
            ASSERT_EQ(order[i]->SortKeyRefCount(), 0) << "a key left behind at " << i;
            ASSERT_EQ(order[i]->SortKeyKind(), -1) << "a key not let go at " << i;
        }
    }
    // Three columns: the main text (0), a number column (1) and a text column (2).
    void ThreeColumns()
    {
        AddSections({80, 60, 60});
        Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftText);
        Tree->Header()->Sections()->GetSection(1)->SetFieldType(sftNumber);
        Tree->Header()->Sections()->GetSection(2)->SetFieldType(sftText);
    }
    TExTreeItem* Row(const std::string& Main, const std::string& Col1, const std::string& Col2)
    {
        TExTreeItem* item = Items().Add(nullptr, Main);
        item->ColumnText()->Add(Col1);
        item->ColumnText()->Add(Col2);
        return item;
    }
};

using Texts = std::vector<std::string>;

TEST_F(SortTest, TextIgnoresCaseKeepsAccentsWithTheirLetterAndPutsSignsBeforeDigitsBeforeLetters)
{
    EXPECT_EQ(SortedBy(stText, {"b", "A", "\xE9t\xE9", "Ete", "z", "10", "_x", "a"}),
              (Texts{"_x", "10", "A", "a", "b", "Ete", "\xE9t\xE9", "z"}));
    // Equal letters: the plain one first, then the accented; case alone decides nothing (creation order).
    EXPECT_EQ(SortedBy(stText, {"\xC9", "E", "e"}), (Texts{"E", "e", "\xC9"}));
    EXPECT_EQ(SortedBy(stText, {"ab", "a", "abc", ""}), (Texts{"", "a", "ab", "abc"}));
    EXPECT_EQ(SortedBy(stText, {"z", "Z", "y", "\xDD"}), (Texts{"y", "\xDD", "z", "Z"}));
    EXPECT_EQ(SortedBy(stText, {"_", "!", "-", " "}), (Texts{" ", "!", "-", "_"}));
    // A text that is the start of another comes first, whatever accents it has.
    EXPECT_EQ(SortedBy(stText, {"ab", "\xE1"}), (Texts{"\xE1", "ab"}));
}

TEST_F(SortTest, AccentedLettersOfTheWesternCodePageSortWithTheirBaseLetter)
{
    const std::vector<std::pair<std::string, char>> letters{
        {"\xC0\xC5\xE0\xE6\xAA", 'a'}, {"\xC7\xE7", 'c'}, {"\xD0\xF0", 'd'}, {"\xC8\xCB\xE9", 'e'},
        {"\x83", 'f'}, {"\xCC\xEF", 'i'}, {"\xD1\xF1", 'n'}, {"\xD2\xD8\xF6\x8C\x9C\xBA", 'o'},
        {"\x8A\x9A\xDF", 's'}, {"\xDE\xFE", 't'}, {"\xD9\xDC\xFA", 'u'}, {"\xDD\xFF\x9F", 'y'},
        {"\x8E\x9E", 'z'}};
    for (const auto& [accented, base] : letters) {
        for (char a : accented) {
            const std::string before(1, static_cast<char>(base - 1)), after = std::string(1, base) + "a";
            const std::string it(1, a);
            EXPECT_EQ(SortedBy(stText, {after, it, before}), (Texts{before, it, after})) << base << " " << +Byte(a);
        }
    }
    EXPECT_EQ(SortedBy(stText, {"ab", "a", "abc", ""}, sdDescend), (Texts{"abc", "ab", "a", ""}));
}

TEST_F(SortTest, NumbersPutTextsThatAreNoNumberFirstAscendingAndLastDescending)
{
    EXPECT_EQ(SortedBy(stNumber, {"10", "x", "-3", "2", "1e3"}), (Texts{"x", "1e3", "-3", "2", "10"}));
    EXPECT_EQ(SortedBy(stNumber, {"10", "x", "-3", "2"}, sdDescend), (Texts{"10", "2", "-3", "x"}));
    EXPECT_EQ(SortedBy(stFloating, {"2.5", "-0.25", "abc", "10"}), (Texts{"abc", "-0.25", "2.5", "10"}));
}

TEST_F(SortTest, DatesTimesAndDateTimesCompareTheirOwnParts)
{
    const Texts texts{"1/2/2024 9:00 PM", "1/2/2024 8:00 AM", "12/31/2023 11:00 PM", "bad", "1/1/2024"};
    EXPECT_EQ(SortedBy(stDateTime, texts),
              (Texts{"bad", "12/31/2023 11:00 PM", "1/1/2024", "1/2/2024 8:00 AM", "1/2/2024 9:00 PM"}));
    // A day that does not exist is no key.
    EXPECT_EQ(SortedBy(stDate, {"3/1/2024", "2/29/2024", "1/15/2023", "2/30/2024"}),
              (Texts{"2/30/2024", "1/15/2023", "2/29/2024", "3/1/2024"}));
    // Two-digit years: up to 49 in this century, from 50 in the last.
    EXPECT_EQ(SortedBy(stDate, {"1/2/24", "6/1/2024", "12/31/99", "1/1/2025", "1/1/1950", "1/2/50"}),
              (Texts{"1/1/1950", "1/2/50", "12/31/99", "1/2/24", "6/1/2024", "1/1/2025"}));
    EXPECT_EQ(SortedBy(stTime, {"11:30 PM", "9:05", "09:04:59.500", "09:04:59.250", "12:00 AM", "25:00", "9:"}),
              (Texts{"25:00", "9:", "12:00 AM", "09:04:59.250", "09:04:59.500", "9:05", "11:30 PM"}));
    // An hour with its designator alone is on the full hour; more than three digits of milliseconds
    // are no time.
    EXPECT_EQ(SortedBy(stTime, {"9:00:30 AM", "9 AM", "9:00 AM", "9:00:00.500"}),
              (Texts{"9 AM", "9:00 AM", "9:00:00.500", "9:00:30 AM"}));
    EXPECT_EQ(SortedBy(stTime, {"0:00:00.500", "0:00:00.0999"}), (Texts{"0:00:00.0999", "0:00:00.500"}));
    // A time alone is a time on day 0: before the first day after it.
    EXPECT_EQ(SortedBy(stDateTime, {"12/31/1899", "6:00", "12/30/1899"}), (Texts{"12/30/1899", "6:00", "12/31/1899"}));
}

TEST_F(SortTest, OnlyAYearOfOneOrTwoDigitsIsNearNow)
{
    // "0001" is the year 1 and "0099" the year 99, as written; "01" and "99" stand for 2001 and 1999.
    const Texts texts{"1/1/01", "1/1/0001", "1/1/2000", "1/1/0099", "1/1/99", "1/1/100"};
    const Texts sorted{"1/1/0001", "1/1/0099", "1/1/100", "1/1/99", "1/1/2000", "1/1/01"};
    EXPECT_EQ(SortedBy(stDate, texts), sorted);
    EXPECT_EQ(SortedBy(stDateTime, texts), sorted);
    const TFormatSettings saved = FormatSettings;
    FormatSettings.ShortDateFormat = "yyyy-mm-dd";
    FormatSettings.DateSeparator = '-';
    const Texts yearFirst = SortedBy(stDate, {"01-1-1", "0001-1-1", "1999-1-1"});
    FormatSettings = saved;
    EXPECT_EQ(yearFirst, (Texts{"0001-1-1", "1999-1-1", "01-1-1"}));
}

TEST_F(SortTest, DateKeysFollowTheLocalesDateOrder)
{
    const TFormatSettings saved = FormatSettings;
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    FormatSettings.DateSeparator = '.';
    const Texts sorted = SortedBy(stDate, {"02.01.2024", "31.12.2023", "01.02.2024"});
    FormatSettings.ShortDateFormat = "YYYY-MM-DD";
    FormatSettings.DateSeparator = '-';
    const Texts upper = SortedBy(stDate, {"2024-02-01", "2024-01-02", "2023-12-31"});
    FormatSettings = saved;
    EXPECT_EQ(sorted, (Texts{"31.12.2023", "02.01.2024", "01.02.2024"}));
    EXPECT_EQ(upper, (Texts{"2023-12-31", "2024-01-02", "2024-02-01"}));
}

TEST_F(SortTest, DateTypesTreatTwoTimesOfOneDayAsEqualAndTimeIgnoresTheDay)
{
    Items().Clear();
    AddSections({80});
    Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftDate);
    Tree->SetShowHeader(true);
    ASSERT_TRUE(Tree->ShowColumns());
    // Keys of the date type: the whole day; the two on 1/2 keep the order they were made in.
    Roots({"1/2/2024 10:00 PM", "1/2/2024 1:00 AM", "1/1/2024 11:00 PM"});
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"1/1/2024 11:00 PM", "1/2/2024 10:00 PM", "1/2/2024 1:00 AM"}));
    Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftTime);
    Items().Clear();
    Roots({"10:00 PM", "1:00 AM", "11:00 AM"});
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"1:00 AM", "11:00 AM", "10:00 PM"}));
}

TEST_F(SortTest, BooleanIsTrueForAnyTextAndCurrencyReadsDisplayedAmounts)
{
    EXPECT_EQ(SortedBy(stBoolean, {"0", "", "false", ""}), (Texts{"", "", "0", "false"}));
    EXPECT_EQ(SortedBy(stBoolean, {"0", "", "false"}, sdDescend), (Texts{"false", "0", ""}));
    EXPECT_EQ(SortedBy(stCurrency, {"$1234.50", "$99", "($5.00)", "1 234,49", "$0.00005"}),
              (Texts{"($5.00)", "$0.00005", "$99", "1 234,49", "$1234.50"}));
}

TEST_F(SortTest, EqualKeysKeepTheOrderTheItemsWereMadeInReversedWhenDescending)
{
    // Made in an order unlike their addresses: later items first in the list.
    std::vector<TExTreeItem*> made;
    Items().BeginUpdate();
    for (int i = 0; i < 40; ++i) made.push_back(Items().AddFirst(nullptr, "same"));
    Items().EndUpdate();
    Tree->SetSortType(stText);
    Tree->Sort(false);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(Items().Root()->Items(i), made[static_cast<size_t>(i)]);
    Tree->SetSortDir(sdDescend);
    Tree->Sort(false);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(Items().Root()->Items(i), made[static_cast<size_t>(39 - i)]);
    ExpectListInStep();
}

TEST_F(SortTest, CustomComparisonDecidesAndUnassignedLeavesCreationOrder)
{
    std::vector<TExTreeItem*> made = Roots({"c", "a", "b"});
    Items().Root()->Items(0)->MoveTo(nullptr);  // "a", "b", "c" in the list; made c, a, b
    Tree->SetSortType(stCustom);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"c", "a", "b"}));
    int calls = 0;
    Tree->OnCompareItems = [&](TObject* Sender, TExTreeItem* A, TExTreeItem* B, Integer& Res) {
        EXPECT_EQ(Sender, Tree);
        ++calls;
        Res = A->Text() < B->Text() ? -7 : A->Text() > B->Text() ? 7 : 0;
    };
    Tree->Sort(false);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(RootTexts(), (Texts{"a", "b", "c"}));
    Tree->SetSortDir(sdDescend);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"c", "b", "a"}));
}

TEST_F(SortTest, FurtherSectionsBreakTiesInListOrderEachInItsOwnDirection)
{
    ThreeColumns();
    Items().BeginUpdate();
    Row("x", "2", "b");
    Row("x", "10", "a");
    Row("w", "2", "a");
    Row("x", "2", "a");
    Items().EndUpdate();
    Tree->SetSortType(stText);
    Tree->Header()->Sections()->GetSection(1)->SetSortMode(hsmAscend);
    Tree->Header()->Sections()->GetSection(2)->SetSortMode(hsmDescend);
    Tree->AddSortSection(1, false);
    Tree->AddSortSection(2, false);
    Tree->Sort(false);
    auto rows = [&] {
        Texts r;
        for (Integer i = 0; i < Items().RootCount(); ++i) {
            TExTreeItem* it = Items().RootItem(i);
            r.push_back(it->Text() + it->ColumnText()->Get(0) + it->ColumnText()->Get(1));
        }
        return r;
    };
    // The number column compares numbers (2 before 10), the text column descends.
    EXPECT_EQ(rows(), (Texts{"w2a", "x2b", "x2a", "x10a"}));
    // Added again, a section moves to the end of the list: the text column now decides first.
    Tree->AddSortSection(1, true);
    EXPECT_EQ(rows(), (Texts{"w2a", "x2b", "x2a", "x10a"}));
    Tree->RemoveSortSection(2, true);
    EXPECT_EQ(rows(), (Texts{"w2a", "x2b", "x2a", "x10a"}));
    Tree->Header()->Sections()->GetSection(1)->SetSortMode(hsmDescend);
    Tree->Sort(false);
    EXPECT_EQ(rows(), (Texts{"w2a", "x10a", "x2b", "x2a"}));
    // Without the further sections equal main texts keep the order they were made in.
    Tree->ClearSortList(true);
    EXPECT_EQ(rows(), (Texts{"w2a", "x2b", "x10a", "x2a"}));
}

TEST_F(SortTest, FurtherDateSectionsBreakTiesByTheirOwnPartOfTheValue)
{
    // Rows made in the order opposite to the one each type gives: ties of the main text are decided
    // by the further section, not by the order of making.
    struct Case {
        TExFieldType Type;
        Texts Made;
        Texts Sorted;
    } cases[] = {
        {sftDate, {"1/3/2024 1:00 AM", "1/2/2024 11:00 PM", "1/1/2024"}, {"1/1/2024", "1/2/2024 11:00 PM", "1/3/2024 1:00 AM"}},
        {sftTime, {"1/1/2024 11:00 PM", "1/3/2024 6:00 AM", "1/2/2024 1:00 AM"},
         {"1/2/2024 1:00 AM", "1/3/2024 6:00 AM", "1/1/2024 11:00 PM"}},
        {sftDateTime, {"1/2/2024 1:00 AM", "1/1/2024 11:00 PM", "1/1/2024 10:00 PM"},
         {"1/1/2024 10:00 PM", "1/1/2024 11:00 PM", "1/2/2024 1:00 AM"}},
    };
    AddSections({80, 80});
    Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftText);
    Tree->Header()->Sections()->GetSection(1)->SetSortMode(hsmAscend);
    Tree->SetSortType(stText);
    Tree->AddSortSection(1, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Type));
        Tree->Header()->Sections()->GetSection(1)->SetFieldType(c.Type);
        Items().Clear();
        for (const std::string& when : c.Made) Items().Add(nullptr, "same")->ColumnText()->Add(when);
        Tree->Sort(false);
        Texts got;
        for (Integer i = 0; i < Items().RootCount(); ++i) got.push_back(Items().RootItem(i)->ColumnText()->Get(0));
        EXPECT_EQ(got, c.Sorted);
    }
}

TEST_F(SortTest, AFurtherSectionOfTheApplicationsOwnTypeTakesItsDirection)
{
    // The further section's comparison is the handler's; the section's own descending mode still
    // turns it round, and ties of the main text are decided by it.
    AddSections({80, 80});
    Tree->Header()->Sections()->GetSection(0)->SetFieldType(sftText);
    Tree->Header()->Sections()->GetSection(1)->SetFieldType(sftCustom);
    Tree->SetSortType(stText);
    Tree->AddSortSection(1, false);
    Tree->OnCompareItems = [](TObject*, TExTreeItem* A, TExTreeItem* B, Integer& Res) {
        Res = A->ColumnText()->Get(0).compare(B->ColumnText()->Get(0));
    };
    for (const TExSSortMode mode : {hsmDescend, hsmAscend}) {
        SCOPED_TRACE(int(mode));
        Tree->Header()->Sections()->GetSection(1)->SetSortMode(mode);
        Items().Clear();
        for (const char* value : {"b", "c", "a"}) Items().Add(nullptr, "same")->ColumnText()->Add(value);
        Tree->Sort(false);
        Texts got;
        for (Integer i = 0; i < Items().RootCount(); ++i) got.push_back(Items().RootItem(i)->ColumnText()->Get(0));
        EXPECT_EQ(got, mode == hsmDescend ? (Texts{"c", "b", "a"}) : (Texts{"a", "b", "c"}));
    }
}

TEST_F(SortTest, AComparisonHandlerThatMovesOrDeletesItemsLeavesATreeInStep)
{
    std::vector<TExTreeItem*> roots = Roots({"d", "c", "b", "a"});
    TExTreeItem* child = Items().AddChild(roots[0], "x");
    Tree->SetSortType(stCustom);
    int calls = 0;
    Tree->OnCompareItems = [&](TObject*, TExTreeItem* A, TExTreeItem* B, Integer& Res) {
        Res = A->Text().compare(B->Text());
        if (++calls == 1) {
            // A root item becomes a child: this level's sort gives up and leaves the order as it is.
            roots[1]->MoveTo(roots[3]);
            // An item deleted while the sort runs leaves the tree at once; its memory waits.
            child->Delete();
            EXPECT_EQ(roots[0]->Count(), 0);
        }
    };
    Tree->Sort(true);
    EXPECT_EQ(RootTexts(), (Texts{"d", "b", "a"}));
    EXPECT_EQ(roots[0]->Count(), 0);
    EXPECT_EQ(roots[3]->Count(), 1);
    ExpectListInStep();
}

// A tree of a class of its own compares item by item through CompareItems, which such a class may
// change; the tree itself compares the prepared keys side by side. Both give one order.
class TOwnTree : public TExTree {
public:
    using TExTree::TExTree;
};

TEST_F(SortTest, KeysComparedSideBySideGiveTheOrderOfTheItemByItemComparison)
{
    auto* own = new TOwnTree(Form);
    own->SetParent(Form);
    std::mt19937 rng(5);
    const char* words[] = {"Alpha", "alpha", "\xC4rger", "Arger", "beta", "", "10", "9", "x1", "x 1", "Zulu"};
    const char* dates[] = {"1/1/2024", "1/1/2024 6:00 AM", "12/31/2023", "bad", "2/2/1999 11:59 PM", "6:00", ""};
    for (TSortTypes type : {stText, stNumber, stFloating, stDateTime, stDate, stTime, stBoolean, stCurrency}) {
        for (TSortDirs dir : {sdAscend, sdDescend}) {
            SCOPED_TRACE(std::to_string(int(type)) + (dir == sdAscend ? " ascending" : " descending"));
            std::vector<std::string> texts;
            for (int i = 0; i < 300; ++i) {
                const bool dateLike = type == stDateTime || type == stDate || type == stTime;
                texts.push_back(dateLike ? dates[rng() % 7] : type == stNumber || type == stFloating || type == stCurrency
                                                                  ? std::to_string(int(rng() % 40) - 20) + (rng() % 3 ? "" : ".5")
                                                                  : words[rng() % 11]);
            }
            // Where each sorted item stands among those made (equal keys keep the order of making).
            auto sorted = [&](TExTree* T) {
                T->Items()->Clear();
                std::map<TExTreeItem*, int> made;
                T->Items()->BeginUpdate();
                for (size_t i = 0; i < texts.size(); ++i) made[T->Items()->Add(nullptr, texts[i])] = static_cast<int>(i);
                T->Items()->EndUpdate();
                T->SetSortType(type);
                T->SetSortDir(dir);
                T->Sort(false);
                std::vector<int> order;
                for (Integer i = 0; i < T->Items()->RootCount(); ++i) order.push_back(made[T->Items()->RootItem(i)]);
                return order;
            };
            EXPECT_EQ(sorted(Tree), sorted(own));
            ExpectListInStep();
        }
    }
}

TEST_F(SortTest, AKeyColumnOtherThanTheMainTextSortsByItsSectionsTypeAndMode)
{
    ThreeColumns();
    Tree->SetShowHeader(true);
    Items().BeginUpdate();
    Row("a", "10", "q");
    Row("b", "9", "p");
    Row("c", "x", "r");
    Items().EndUpdate();
    Tree->SetSortSection(1);
    Tree->Header()->Sections()->GetSection(1)->SetSortMode(hsmAscend);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"c", "b", "a"}));
    Tree->Header()->Sections()->GetSection(1)->SetSortMode(hsmDescend);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"a", "b", "c"}));
    Tree->SetSortSection(2);
    Tree->Header()->Sections()->GetSection(2)->SetSortMode(hsmAscend);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"b", "a", "c"}));
    // A section that does not exist sorts by the main text in the tree's direction.
    Tree->SetSortSection(7);
    Tree->SetSortType(stText);
    Tree->SetShowHeader(false);
    Tree->SetSortDir(sdDescend);
    Tree->Sort(false);
    EXPECT_EQ(RootTexts(), (Texts{"c", "b", "a"}));
}

TEST_F(SortTest, VirtualValuesOfAFurtherSectionThatDoNotBothConvertCompareTheTexts)
{
    ThreeColumns();
    std::vector<TExTreeItem*> made = Roots({"a", "b"});
    Tree->SetVirtualityLevel(vlTextAndStyles);
    Tree->SetSortType(stCustom);
    Tree->AddSortSection(1, false);
    Tree->OnVirtualValueNeeded = [&](TObject*, TExTreeItem* Item, Integer, Integer, TExVariant& Value) {
        if (Item == made[0])
            Value = std::string("no number");
        else
            Value = Int64(5);
    };
    Tree->OnVirtualTextNeeded = [&](TObject*, TExTreeItem* Item, Integer, std::string& Text) {
        Text = Item == made[0] ? "9" : "1";
    };
    Tree->Sort(false);
    EXPECT_EQ(Items().RootItem(0), made[1]);
    // Both convert: the values decide.
    Tree->OnVirtualValueNeeded = [&](TObject*, TExTreeItem* Item, Integer, Integer, TExVariant& Value) {
        Value = Int64(Item == made[0] ? 1 : 2);
    };
    Tree->Sort(false);
    EXPECT_EQ(Items().RootItem(0), made[0]);
}

TEST_F(SortTest, TheRowsOnScreenFollowTheSort)
{
    Roots({"c", "b", "a"});
    ASSERT_GT(View()->RowCount(), 2);
    EXPECT_EQ(View()->Row(0)->Text(), "c");
    Tree->SetSortType(stText);
    Tree->Sort(false);
    EXPECT_EQ(View()->Row(0)->Text(), "a");
    EXPECT_EQ(View()->Row(2)->Text(), "c");
}

TEST_F(SortTest, RecursiveSortReachesBranchesBelowASingleChildAndKeepsTheListInStep)
{
    TExTreeItem* top = Items().Add(nullptr, "top");
    TExTreeItem* mid = Items().AddChild(top, "mid");
    for (const char* t : {"c", "a", "b"}) {
        TExTreeItem* leaf = Items().AddChild(mid, t);
        Items().AddChild(leaf, std::string(t) + "2");
        Items().AddChild(leaf, std::string(t) + "1");
    }
    Tree->SetSortType(stText);
    top->Sort(false);
    EXPECT_EQ(RootTexts(mid), (Texts{"c", "a", "b"})) << "not recursive: one child, nothing to do";
    top->Sort(true);
    EXPECT_EQ(RootTexts(mid), (Texts{"a", "b", "c"}));
    EXPECT_EQ(RootTexts(mid->Items(2)), (Texts{"c1", "c2"}));
    ExpectListInStep();
    EXPECT_EQ(Tree->Model()->SortDepth, 0);
}

TEST_F(SortTest, ManyItemsInRandomOrderEndSortedWithTheListInStep)
{
    std::mt19937 rng(11);
    Items().BeginUpdate();
    std::vector<TExTreeItem*> parents{nullptr};
    for (int i = 0; i < 3000; ++i) {
        TExTreeItem* p = parents[rng() % parents.size()];
        TExTreeItem* made = Items().AddChild(p, std::to_string(rng() % 500));
        if (rng() % 8 == 0) parents.push_back(made);
    }
    Items().EndUpdate();
    Tree->SetSortType(stNumber);
    Tree->Sort(true);
    ExpectListInStep();
    for (Integer i = 0; i < Items().Count(); ++i) {
        TExTreeItem* item = Items().Item(i);
        TExTreeItem* next = item->GetNextSibling();
        if (!next) continue;
        const int a = std::stoi(item->Text()), b = std::stoi(next->Text());
        ASSERT_TRUE(a < b || (a == b && item->Serial() < next->Serial())) << a << " before " << b;
    }
}

TEST_F(SortTest, AComparisonThatRaisesLeavesNoDepthNoBracketNoKeysAndAListInStep)
{
    ThreeColumns();
    Items().BeginUpdate();
    for (int i = 0; i < 30; ++i) Row("same", std::to_string(i % 3), i == 17 ? "not a date" : "1/1/2024");
    Items().EndUpdate();
    Tree->Header()->Sections()->GetSection(2)->SetFieldType(sftDate);
    Tree->AddSortSection(2, false);
    Tree->SetSortType(stText);
    int begins = 0, ends = 0;
    Tree->OnSortBegin = [&](TObject*) { ++begins; };
    Tree->OnSortEnd = [&](TObject*) { ++ends; };
    EXPECT_THROW(Tree->Sort(true), EConvertError);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(Tree->Model()->SortDepth, 0);
    EXPECT_EQ(Tree->Model()->UpdateCount(), 0);
    ExpectListInStep();
    // The same with the application's comparison raising.
    Tree->ClearSortList(false);
    Tree->SetSortType(stCustom);
    int calls = 0;
    Tree->OnCompareItems = [&](TObject*, TExTreeItem*, TExTreeItem*, Integer& Res) {
        if (++calls == 20) throw EAbort("stop");
        Res = 1;
    };
    Items().BeginUpdate();
    EXPECT_THROW(Tree->Sort(true), EAbort);
    EXPECT_EQ(Tree->Model()->UpdateCount(), 1) << "the caller's bracket stays open";
    Items().EndUpdate();
    EXPECT_EQ(Tree->Model()->SortDepth, 0);
    ExpectListInStep();
    // And the next sort runs normally.
    Tree->OnCompareItems = nullptr;
    Tree->SetSortType(stNumber);
    Tree->Sort(false);
    EXPECT_EQ(Items().RootItem(0)->ColumnText()->Get(0), "0");
    ExpectListInStep();
}

TEST_F(SortTest, TheSortEventsComeOncePerSortFromCodeAndFromAPendingSort)
{
    Roots({"b", "a"});
    int begins = 0, ends = 0;
    Tree->OnSortBegin = [&](TObject*) { ++begins; };
    Tree->OnSortEnd = [&](TObject*) {
        ++ends;
        EXPECT_EQ(Tree->Model()->SortDepth, 0);
    };
    Tree->SetSortType(stText);
    Tree->Sort(false);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    Tree->SetSortMode(smAdd);
    Tree->SetSortSection(-1);
    Items().BeginUpdate();
    Items().Add(nullptr, "0");
    Items().EndUpdate();
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(RootTexts(), (Texts{"0", "a", "b"}));
}

TEST_F(SortTest, ASortBeginHandlerThatFreesTheTreeEndsTheSort)
{
    Roots({"b", "a"});
    bool ended = false;
    Tree->OnSortBegin = [&](TObject*) {
        // The handler goes with the tree: nothing it captured is touched after the free.
        TForm* form = Form;
        Form = nullptr;
        TObject::Free(form);
    };
    Tree->OnSortEnd = [&](TObject*) { ended = true; };
    Tree->Sort(true);
    EXPECT_FALSE(ended);
}

TEST_F(SortTest, VirtualValuesAreAskedInTheWantedKindAndFallBackToTextsWhenTheyDoNotConvert)
{
    Roots({"r0", "r1", "r2", "r3"});
    Tree->SetVirtualityLevel(vlTextAndStyles);
    std::vector<Integer> kinds;
    const std::vector<TExVariant> values{TExVariant{std::string("2.5")}, TExVariant{-1.0}, TExVariant{Int64(7)},
                                         TExVariant{true}};
    std::vector<TExTreeItem*> made;
    for (Integer i = 0; i < 4; ++i) made.push_back(Items().RootItem(i));
    const std::uint64_t first = made[0]->Serial();
    Tree->OnVirtualValueNeeded = [&](TObject*, TExTreeItem* Item, Integer, Integer Kind, TExVariant& Value) {
        kinds.push_back(Kind);
        Value = values[static_cast<size_t>(Item->Serial() - first)];
    };
    Tree->OnVirtualTextNeeded = [&](TObject*, TExTreeItem* Item, Integer, std::string& Text) {
        Text = "t" + std::to_string(3 - (Item->Serial() - first));
    };
    Tree->SetSortType(stFloating);
    Tree->Sort(false);
    ASSERT_FALSE(kinds.empty());
    EXPECT_TRUE(std::all_of(kinds.begin(), kinds.end(), [](Integer k) { return k == 3; }));
    // -1.0, true (-1), 2.5, 7: true converts to -1 and ties with -1.0 by creation order.
    EXPECT_EQ(Items().RootItem(0), made[1]);
    EXPECT_EQ(Items().RootItem(1), made[3]);
    EXPECT_EQ(Items().RootItem(2), made[0]);
    EXPECT_EQ(Items().RootItem(3), made[2]);
    // Unconvertible values: the texts decide.
    Tree->OnVirtualValueNeeded = [&](TObject*, TExTreeItem*, Integer, Integer, TExVariant& Value) {
        Value = std::string("no number");
    };
    Tree->SetSortType(stNumber);
    Tree->OnVirtualTextNeeded = [&](TObject*, TExTreeItem* Item, Integer, std::string& Text) {
        Text = std::to_string(10 - (Item->Serial() - first));
    };
    Tree->Sort(false);
    EXPECT_EQ(Items().RootItem(0), made[3]);
    EXPECT_EQ(Items().RootItem(3), made[0]);
    // Truth values from texts and numbers.
    const std::vector<TExVariant> truths{TExVariant{std::string("True")}, TExVariant{std::string("false")},
                                         TExVariant{Int64(0)}, TExVariant{0.5}};
    Tree->OnVirtualValueNeeded = [&](TObject*, TExTreeItem* Item, Integer, Integer Kind, TExVariant& Value) {
        EXPECT_EQ(Kind, 1);
        Value = truths[static_cast<size_t>(Item->Serial() - first)];
    };
    Tree->OnVirtualTextNeeded = [&](TObject*, TExTreeItem*, Integer, std::string& Text) { Text.clear(); };
    Tree->SetSortType(stBoolean);
    Tree->Sort(false);
    EXPECT_EQ(Items().RootItem(0), made[1]);
    EXPECT_EQ(Items().RootItem(1), made[2]);
    EXPECT_EQ(Items().RootItem(2), made[0]);
    EXPECT_EQ(Items().RootItem(3), made[3]);
}

}  // namespace
