#include "ctlbase/Exlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ctlbase/Exarray.h"
#include "tests/support/ParamName.h"

namespace {

// Distinct fake item pointers that are never dereferenced.
void* P(int n)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x1000 + 16 * n));
}

std::vector<void*> Contents(TExList& l)
{
    std::vector<void*> v;
    for (Integer i = 0; i < l.Count(); ++i) v.push_back(l.Get(i));
    return v;
}

struct Counted : TObject {
    explicit Counted(int* d) : deaths(d) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};

class ExListTest : public ::testing::Test {
protected:
    std::vector<void*> deleted;  // declared first: the list reports into it while it is destroyed
    TExList list;
    void SetUp() override
    {
        list.OnDelete = [this](TObject* sender, void* item) {
            EXPECT_EQ(sender, &list);
            deleted.push_back(item);
        };
    }
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i) list.Add(P(i));
    }
};

void ExpectIndexError(const std::function<void()>& f, Integer index)
{
    try {
        f();
        ADD_FAILURE() << "no EExListError raised";
    } catch (const EExListError& e) {
        EXPECT_EQ(e.Message(), "List index [" + std::to_string(index) + "] out of bounds...");
    }
}

TEST_F(ExListTest, CapacityMovesInSteps)
{
    EXPECT_EQ(list.Capacity(), 0);
    list.Add(P(0));
    EXPECT_EQ(list.Capacity(), 256);
    Fill(255);
    EXPECT_EQ(list.Count(), 256);
    EXPECT_EQ(list.Capacity(), 256);
    list.Add(P(1000));  // the 257th item
    EXPECT_EQ(list.Capacity(), 512);
    list.Delete(0);
    EXPECT_EQ(list.Capacity(), 512);  // 512 - 256 > 256 is false
    list.Delete(0);                   // 255 items left
    EXPECT_EQ(list.Capacity(), 256);
    // One shrink step per call, even when far below.
    list.SetCapacity(1024);
    list.DeleteRange(0, 99);
    EXPECT_EQ(list.Count(), 155);
    EXPECT_EQ(list.Capacity(), 768);
    list.Remove(list.Get(0));
    EXPECT_EQ(list.Capacity(), 512);
    list.Clear();
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ExListTest, ExpandAndGrowAddOneStep)
{
    EXPECT_EQ(list.Expand(), &list);
    EXPECT_EQ(list.Capacity(), 256);
    list.Expand();  // not full: nothing
    EXPECT_EQ(list.Capacity(), 256);
    list.Grow();
    EXPECT_EQ(list.Capacity(), 512);
    list.Insert(0, P(1));
    EXPECT_EQ(list.Capacity(), 512);
}

TEST_F(ExListTest, IndexErrorsCarryTheOffendingValueAndChangeNothing)
{
    Fill(3);
    ExpectIndexError([&] { list.Get(3); }, 3);
    ExpectIndexError([&] { list.Get(-1); }, -1);
    ExpectIndexError([&] { list.Put(3, P(9)); }, 3);
    ExpectIndexError([&] { list.Insert(4, P(9)); }, 4);
    ExpectIndexError([&] { list.Insert(-1, P(9)); }, -1);
    ExpectIndexError([&] { list.Delete(3); }, 3);
    ExpectIndexError([&] { list.DeleteRange(1, 3); }, 3);
    ExpectIndexError([&] { list.DeleteRange(2, 1); }, 1);
    ExpectIndexError([&] { list.DeleteRange(-2, 1); }, -2);
    ExpectIndexError([&] { list.IntDelete(5); }, 5);
    ExpectIndexError([&] { list.Exchange(7, 0); }, 7);
    ExpectIndexError([&] { list.Exchange(0, 8); }, 8);
    ExpectIndexError([&] { list.Move(0, 3); }, 3);
    ExpectIndexError([&] { list.Move(4, 1); }, 4);
    ExpectIndexError([&] { list.IndexOfFrom(3, P(0)); }, 3);
    ExpectIndexError([&] { list.IndexOfBack(-1, P(0)); }, -1);
    ExpectIndexError([&] { list.SetCapacity(2); }, 2);
    ExpectIndexError([&] { list.SetCapacity(0x8000000); }, 0x8000000);
    ExpectIndexError([&] { list.SetCount(-1); }, -1);
    ExpectIndexError([&] { list.SetCount(0x8000000); }, 0x8000000);
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(0), P(1), P(2)}));
    EXPECT_TRUE(deleted.empty());
    list.Insert(3, P(3));  // Count itself is a valid insertion point
    EXPECT_EQ(list.Last(), P(3));
}

TEST_F(ExListTest, PutRaisesTheEventOnlyOverAnItem)
{
    list.SetCount(2);
    list.Put(0, P(1));
    EXPECT_TRUE(deleted.empty());
    list.OwnsItems = true;  // Put never frees, even with ownership (the fake pointer would crash)
    list.Put(0, P(2));
    EXPECT_EQ(deleted, std::vector<void*>{P(1)});
    EXPECT_EQ(list.Get(0), P(2));
    list.OwnsItems = false;
}

TEST_F(ExListTest, RemoveOfAnAbsentItemDoesNothing)
{
    Fill(3);
    EXPECT_EQ(list.Remove(P(7)), -1);
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(list.Remove(P(1)), 1);
    EXPECT_EQ(deleted, std::vector<void*>{P(1)});
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(0), P(2)}));
}

TEST_F(ExListTest, PackDropsNilItemsWithAnEventEach)
{
    list.Add(P(1));
    list.Add(nullptr);
    list.Add(P(2));
    list.Add(nullptr);
    list.Pack();
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(1), P(2)}));
    EXPECT_EQ(deleted, (std::vector<void*>{nullptr, nullptr}));
}

TEST_F(ExListTest, DeleteRangeAndClearReportInAscendingOrder)
{
    Fill(6);
    list.DeleteRange(1, 3);
    EXPECT_EQ(deleted, (std::vector<void*>{P(1), P(2), P(3)}));
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(0), P(4), P(5)}));
    deleted.clear();
    list.Add(nullptr);
    list.Clear();
    EXPECT_EQ(deleted, (std::vector<void*>{P(0), P(4), P(5), nullptr}));
}

TEST_F(ExListTest, IntDeleteAndSetCountStaySilent)
{
    Fill(4);
    list.IntDelete(1);
    list.SetCount(1);
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(list.Capacity(), 256);
    list.SetCount(3);
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(0), nullptr, nullptr}));
    list.SetCount(300);
    EXPECT_EQ(list.Capacity(), 300);
}

TEST(ExListOwnership, DeleteAndClearFreeButDeleteRangeAndRemoveDoNot)
{
    int deaths = 0;
    auto* keep1 = new Counted(&deaths);
    auto* keep2 = new Counted(&deaths);
    {
        TExList list;
        list.OwnsItems = true;
        for (int i = 0; i < 3; ++i) list.Add(static_cast<TObject*>(new Counted(&deaths)));
        list.Add(static_cast<TObject*>(keep1));
        list.Add(static_cast<TObject*>(keep2));
        list.Add(nullptr);
        list.Delete(0);
        EXPECT_EQ(deaths, 1);
        list.DeleteRange(2, 2);  // keep1
        list.Remove(static_cast<TObject*>(keep2));
        EXPECT_EQ(deaths, 1);
        EXPECT_EQ(list.Count(), 3);
    }  // destroying clears: the two owned items left go, the nil is skipped
    EXPECT_EQ(deaths, 3);
    delete keep1;
    delete keep2;
}

TEST_F(ExListTest, DestroyingReportsTheRemainingItems)
{
    std::vector<void*> seen;
    {
        TExList local;
        local.OnDelete = [&](TObject*, void* item) { seen.push_back(item); };
        local.Add(P(1));
        local.Add(P(2));
    }
    EXPECT_EQ(seen, (std::vector<void*>{P(1), P(2)}));
}

TEST_F(ExListTest, AnExceptionFromOnDeleteLeavesTheListWhole)
{
    Fill(3);
    list.OnDelete = [](TObject*, void* item) {
        if (item == P(1)) throw Exception("refused");
    };
    EXPECT_THROW(list.Delete(1), Exception);
    EXPECT_THROW(list.DeleteRange(0, 2), Exception);
    EXPECT_EQ(list.Count(), 3);
    list.OnDelete = nullptr;
}

// A handler that raises while a container is destroyed neither silences the later items nor keeps
// the owned ones alive.
template <class List>
void DestroyWithARaisingHandler(const char* which)
{
    int deaths = 0;
    std::vector<void*> heard;
    {
        List l;
        l.OwnsItems = true;
        for (int i = 0; i < 3; ++i) l.Add(new Counted(&deaths));
        l.OnDelete = [&](TObject*, void* item) {
            heard.push_back(item);
            if (heard.size() == 1) throw Exception("refused");
        };
    }
    EXPECT_EQ(heard.size(), 3u) << which;
    EXPECT_EQ(deaths, 3) << which;
}

TEST(ContainerDestruction, ARaisingOnDeleteLeaksNothing)
{
    DestroyWithARaisingHandler<TExList>("list");
    DestroyWithARaisingHandler<TExArray>("array");
}

struct MoveCase {
    Integer from, to, dest;
    const char* expected;
};

void PrintTo(const MoveCase& c, std::ostream* out)
{
    std::ostream& os = *out;
    os << c.from << " to " << c.to << " before " << c.dest;
}

class ExListMoveRange : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ExListMoveRange, BlockEndsBeforeTheItemThatWasAtDest)
{
    const MoveCase c = GetParam();
    TExList list;
    std::string letters = "ABCDEF";
    for (char& ch : letters) list.Add(&ch);
    int events = 0;
    list.OnDelete = [&](TObject*, void*) { ++events; };
    list.MoveRange(c.from, c.to, c.dest);
    std::string got;
    for (Integer i = 0; i < list.Count(); ++i) got += *static_cast<char*>(list.Get(i));
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(list.Count(), 6);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExListMoveRange,
                         ::testing::Values(MoveCase{1, 2, 4, "ADBCEF"}, MoveCase{3, 4, 1, "ADEBCF"},
                                           MoveCase{1, 2, 3, "ABCDEF"},  // right behind itself
                                           MoveCase{2, 2, 2, "ABCDEF"},  // onto itself
                                           MoveCase{0, 4, 5, "ABCDEF"}, MoveCase{1, 5, 0, "BCDEFA"},
                                           MoveCase{0, 0, 5, "BCDEAF"}, MoveCase{5, 5, 0, "FABCDE"},
                                           MoveCase{4, 5, 2, "ABEFCD"}), morvik::ParamName());

TEST_F(ExListTest, MoveRangeRefusesBadBounds)
{
    Fill(6);
    ExpectIndexError([&] { list.MoveRange(1, 3, 2); }, 2);  // destination inside the block
    ExpectIndexError([&] { list.MoveRange(1, 3, 6); }, 6);  // no item at the destination
    ExpectIndexError([&] { list.MoveRange(1, 6, 0); }, 6);
    ExpectIndexError([&] { list.MoveRange(-1, 2, 4); }, -1);
    ExpectIndexError([&] { list.MoveRange(3, 1, 5); }, 1);  // reversed block
    EXPECT_EQ(list.Get(1), P(1));
}

TEST_F(ExListTest, MoveTakesOutAndReinserts)
{
    Fill(5);
    list.Move(0, 3);
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(1), P(2), P(3), P(0), P(4)}));
    list.Move(4, 0);
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(4), P(1), P(2), P(3), P(0)}));
    list.Exchange(0, 4);
    EXPECT_EQ(list.First(), P(0));
    EXPECT_EQ(list.Last(), P(4));
    EXPECT_TRUE(deleted.empty());
}

TEST_F(ExListTest, SearchesInBothDirections)
{
    for (int n : {1, 2, 1, 3, 1}) list.Add(P(n));
    EXPECT_EQ(list.IndexOf(P(1)), 0);
    EXPECT_EQ(list.IndexOfFrom(1, P(1)), 2);
    EXPECT_EQ(list.IndexOfFrom(3, P(2)), -1);
    EXPECT_EQ(list.IndexOfBack(3, P(1)), 2);
    EXPECT_EQ(list.IndexOfBack(1, P(3)), -1);
    EXPECT_EQ(list.IndexOfBack(4, P(2)), 1);
    EXPECT_EQ(list.IndexOfBack(1, P(1)), 0);  // the search reaches slot 0
    EXPECT_EQ(list.IndexOf(P(9)), -1);
}

Integer CompareInts(void* a, void* b, void* cargo)
{
    ++*static_cast<int*>(cargo);
    const auto x = reinterpret_cast<std::intptr_t>(a), y = reinterpret_cast<std::intptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

TEST(ExListSort, EmptyListCallsNoCompare)
{
    TExList list;
    int calls = 0;
    list.Sort(CompareInts, &calls);
    EXPECT_EQ(calls, 0);
    list.SetCount(0);
    list.Grow();
    list.Sort(CompareInts, &calls);
    EXPECT_EQ(calls, 0);
}

TEST(ExListSort, BothSortsAgreeWithTheStandardSort)
{
    std::mt19937 rng(7);
    for (int n : {1, 2, 3, 17, 300}) {
        TExList a, b;
        std::vector<std::intptr_t> ref;
        for (int i = 0; i < n; ++i) {
            const std::intptr_t v = static_cast<std::intptr_t>(rng() % 50) + 1;  // duplicates on purpose
            ref.push_back(v);
            a.Add(reinterpret_cast<void*>(v));
            b.Add(reinterpret_cast<void*>(v));
        }
        std::sort(ref.begin(), ref.end());
        int calls = 0;
        a.Sort(CompareInts, &calls);
        b.SortC([](void* x, void* y, void* c) { return CompareInts(y, x, c); }, &calls);  // descending
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(reinterpret_cast<std::intptr_t>(a.Get(i)), ref[static_cast<size_t>(i)]);
            EXPECT_EQ(reinterpret_cast<std::intptr_t>(b.Get(i)), ref[static_cast<size_t>(n - 1 - i)]);
        }
    }
}

TEST(ExListSort, ASelfContradictingCompareStaysInsideTheList)
{
    TExList list;
    for (int i = 0; i < 40; ++i) list.Add(P(i));
    list.Sort([](void*, void*, void*) -> Integer { return -1; }, nullptr);
    list.Sort([](void*, void*, void*) -> Integer { return 1; }, nullptr);
    std::vector<void*> got = Contents(list), want;
    for (int i = 0; i < 40; ++i) want.push_back(P(i));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want);  // a permutation: nothing lost or duplicated
}

TEST_F(ExListTest, AssignCopiesItemsNotFlagsOrEvent)
{
    Fill(3);
    std::vector<void*> copyDeleted;
    TExList copy;
    copy.Add(P(50));
    copy.OnDelete = [&](TObject*, void* item) { copyDeleted.push_back(item); };
    list.SetCapacity(600);
    copy.Assign(&list);
    EXPECT_EQ(copyDeleted, std::vector<void*>{P(50)});
    EXPECT_EQ(Contents(copy), Contents(list));
    EXPECT_EQ(copy.Capacity(), 600);
    copy.Assign(&copy);  // onto itself: unchanged
    EXPECT_EQ(copy.Count(), 3);
    TStringList strings;
    EXPECT_THROW(copy.Assign(&strings), EConvertError);
}

// Seeded random operations against a plain vector, with the capacity rule checked after each.
TEST(ExListModel, RandomOperationsMatchAVector)
{
    std::mt19937 rng(12345);
    std::vector<void*> model, events, modelEvents;
    TExList list;
    list.OnDelete = [&](TObject*, void* item) { events.push_back(item); };
    int next = 0;
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 8);
        const Integer n = static_cast<Integer>(model.size());
        auto pick = [&] { return static_cast<Integer>(rng() % static_cast<unsigned>(n)); };
        if (op <= 2 || n == 0) {
            void* item = P(next++);
            const Integer at = static_cast<Integer>(rng() % static_cast<unsigned>(n + 1));
            list.Insert(at, item);
            model.insert(model.begin() + at, item);
        } else if (op == 3) {
            const Integer at = pick();
            modelEvents.push_back(model[static_cast<size_t>(at)]);
            model.erase(model.begin() + at);
            list.Delete(at);
        } else if (op == 4) {
            const Integer a = pick(), b = a + static_cast<Integer>(rng() % static_cast<unsigned>(n - a));
            modelEvents.insert(modelEvents.end(), model.begin() + a, model.begin() + b + 1);
            model.erase(model.begin() + a, model.begin() + b + 1);
            list.DeleteRange(a, b);
        } else if (op == 5) {
            const Integer a = pick(), b = pick();
            list.Move(a, b);
            void* item = model[static_cast<size_t>(a)];
            model.erase(model.begin() + a);
            model.insert(model.begin() + b, item);
        } else {
            const Integer a = pick(), b = a + static_cast<Integer>(rng() % static_cast<unsigned>(n - a));
            const Integer d = static_cast<Integer>(rng() % static_cast<unsigned>(n));
            if (d >= a && d <= b) continue;
            list.MoveRange(a, b, d);
            std::vector<void*> block(model.begin() + a, model.begin() + b + 1);
            void* anchor = model[static_cast<size_t>(d)];
            model.erase(model.begin() + a, model.begin() + b + 1);
            auto pos = std::find(model.begin(), model.end(), anchor);
            model.insert(pos, block.begin(), block.end());
        }
        ASSERT_EQ(list.Count(), static_cast<Integer>(model.size()));
        ASSERT_EQ(list.Capacity() % 256, 0);
        ASSERT_GE(list.Capacity(), list.Count());
        if (step % 97 == 0) {
            ASSERT_EQ(Contents(list), model) << "step " << step;
        }
    }
    EXPECT_EQ(Contents(list), model);
    EXPECT_EQ(events, modelEvents);
    list.OnDelete = nullptr;
}

}  // namespace
