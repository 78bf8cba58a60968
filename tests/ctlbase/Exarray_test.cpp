#include "ctlbase/Exarray.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exstack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

void* P(int n)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x1000 + 16 * n));
}

struct Counted : TObject {
    explicit Counted(int* d) : deaths(d) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};

template <class E>
void ExpectError(const std::function<void()>& f, const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "nothing raised";
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

std::string IndexMessage(Integer i)
{
    return "List index [" + std::to_string(i) + "] out of bounds...";
}

TEST(ExArray, ReadingBeyondTheEndGivesNilWritingExtends)
{
    TExArray a;
    EXPECT_EQ(a.Get(1000), nullptr);
    EXPECT_EQ(a.Count(), 0);
    a.Put(5, P(5));
    EXPECT_EQ(a.Count(), 6);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.Get(i), nullptr);
    EXPECT_EQ(a.Get(5), P(5));
    ExpectError<EExArrayError>([&] { a.Get(-1); }, IndexMessage(-1));
    ExpectError<EExArrayError>([&] { a.Put(-3, P(1)); }, IndexMessage(-3));
    ExpectError<EExArrayError>([&] { a.Insert(7, P(1)); }, IndexMessage(7));
    ExpectError<EExArrayError>([&] { a.Delete(6); }, IndexMessage(6));
    EXPECT_EQ(a.Count(), 6);
}

TEST(ExArray, CapacityGrowsByTheStepTable)
{
    TExArray a;
    std::vector<Integer> seen;
    for (int i = 0; i < 95; ++i) {
        a.Add(P(i));
        if (seen.empty() || seen.back() != a.Capacity()) seen.push_back(a.Capacity());
    }
    EXPECT_EQ(seen, (std::vector<Integer>{4, 8, 12, 28, 44, 60, 76, 95}));
    TExStack s;
    seen.clear();
    for (int i = 0; i < 95; ++i) {
        s.Push(P(i));
        if (seen.empty() || seen.back() != s.Capacity()) seen.push_back(s.Capacity());
    }
    EXPECT_EQ(seen, (std::vector<Integer>{4, 8, 12, 28, 44, 60, 76, 95}));
}

TEST(ExArray, DeleteHalvesTheCapacityOncePerCall)
{
    TExArray a;
    a.SetCapacity(16);
    for (int i = 0; i < 9; ++i) a.Add(P(i));
    a.Delete(0);  // 8 left: 16 / 2 > 8 is false
    EXPECT_EQ(a.Capacity(), 16);
    a.Delete(0);  // 7 left
    EXPECT_EQ(a.Capacity(), 8);
    a.SetCapacity(64);
    a.Delete(0);  // 6 left: one halving, not down to 8
    EXPECT_EQ(a.Capacity(), 32);
}

TEST(ExArray, EventsAndOwnership)
{
    int deaths = 0;
    std::vector<void*> events;
    TExArray a;
    a.OnDelete = [&](TObject* sender, void* item) {
        EXPECT_EQ(sender, &a);
        events.push_back(item);
    };
    a.OwnsItems = true;
    TObject* o1 = new Counted(&deaths);
    TObject* o2 = new Counted(&deaths);
    TObject* o3 = new Counted(&deaths);
    a.Add(o1);
    a.Add(o2);
    a.Add(nullptr);
    a.Add(o3);
    a.Move(0, 2);  // no event, nothing freed
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(a.Get(2), o1);
    EXPECT_EQ(a.Remove(o2), 0);  // Remove goes through Delete: event and free
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(events, std::vector<void*>{o2});
    a.Put(1, nullptr);  // replaced item is reported but not freed
    EXPECT_EQ(events.back(), o1);
    EXPECT_EQ(deaths, 1);
    a.Pack();  // the two nil slots go, reported as nil
    EXPECT_EQ(a.Count(), 1);
    EXPECT_EQ(events.size(), 4u);
    events.clear();
    a.Clear();
    EXPECT_EQ(events, std::vector<void*>{o3});
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(a.Capacity(), 0);
    delete o1;
}

TEST(ExArray, ClearSkipsNilItems)
{
    std::vector<void*> events;
    TExArray a;
    a.OnDelete = [&](TObject*, void* item) { events.push_back(item); };
    a.Put(3, P(3));
    a.Put(1, P(1));
    a.Clear();
    EXPECT_EQ(events, (std::vector<void*>{P(1), P(3)}));
}

TEST(ExArray, ExchangeAndMoveExtendTheArray)
{
    TExArray a;
    a.Add(P(0));
    a.Exchange(0, 4);
    EXPECT_EQ(a.Count(), 5);
    EXPECT_EQ(a.Get(4), P(0));
    EXPECT_EQ(a.Get(0), nullptr);
    a.Move(4, 9);
    EXPECT_EQ(a.Count(), 10);
    EXPECT_EQ(a.Get(9), P(0));
    ExpectError<EExArrayError>([&] { a.Move(20, 15); }, IndexMessage(20));
    EXPECT_EQ(a.Count(), 10);  // a refused move leaves the array as it was
    ExpectError<EExArrayError>([&] { a.Exchange(-1, 2); }, IndexMessage(-1));
    // The last slot below the limit is refused too: the array could not hold it.
    ExpectError<EExArrayError>([&] { a.Exchange(ctlbase::MaxListSize - 1, 0); }, IndexMessage(ctlbase::MaxListSize - 1));
}

TEST(ExArray, FirstLastAndSearches)
{
    TExArray a;
    EXPECT_EQ(a.First(), nullptr);
    ExpectError<EExArrayError>([&] { a.Last(); }, IndexMessage(-1));
    for (int n : {1, 2, 1, 3}) a.Add(P(n));
    EXPECT_EQ(a.Last(), P(3));
    EXPECT_EQ(a.IndexOfFrom(1, P(1)), 2);
    EXPECT_EQ(a.IndexOfFrom(4, P(1)), -1);
    EXPECT_EQ(a.IndexOfBack(100, P(1)), 2);  // starts at the end
    EXPECT_EQ(a.IndexOfBack(1, P(1)), 0);
    EXPECT_EQ(a.IndexOfBack(1, P(3)), -1);
    ExpectError<EExArrayError>([&] { a.IndexOfFrom(-2, P(1)); }, IndexMessage(-2));
}

TEST(ExArray, MoveRangeMatchesTheList)
{
    TExArray a;
    std::string letters = "ABCDEF";
    for (char& ch : letters) a.Add(&ch);
    auto text = [&] {
        std::string s;
        for (Integer i = 0; i < a.Count(); ++i) s += *static_cast<char*>(a.Get(i));
        return s;
    };
    a.MoveRange(1, 2, 4);
    EXPECT_EQ(text(), "ADBCEF");
    a.MoveRange(3, 4, 0);
    EXPECT_EQ(text(), "CEADBF");
    ExpectError<EExArrayError>([&] { a.MoveRange(1, 3, 2); }, IndexMessage(2));
    ExpectError<EExArrayError>([&] { a.MoveRange(4, 2, 0); }, IndexMessage(2));
}

TEST(ExArray, SetCapacityAndCountLimits)
{
    TExArray a;
    a.SetCount(3);
    ExpectError<EExArrayError>([&] { a.SetCapacity(2); }, IndexMessage(2));
    ExpectError<EExArrayError>([&] { a.SetCount(0x8000000); }, IndexMessage(0x8000000));
    ExpectError<EExArrayError>([&] { a.Put(0x7FFFFFF, P(1)); }, IndexMessage(0x7FFFFFF));
    EXPECT_EQ(a.Count(), 3);
}

Integer CompareInts(void* a, void* b, void*)
{
    const auto x = reinterpret_cast<std::intptr_t>(a), y = reinterpret_cast<std::intptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

TEST(ExArray, SortAgreesWithTheStandardSort)
{
    std::mt19937 rng(3);
    for (int n : {1, 2, 5, 64, 500}) {
        TExArray a;
        std::vector<std::intptr_t> ref;
        for (int i = 0; i < n; ++i) {
            const auto v = static_cast<std::intptr_t>(rng() % 20) + 1;
            ref.push_back(v);
            a.Add(reinterpret_cast<void*>(v));
        }
        a.Sort(CompareInts, nullptr);
        std::sort(ref.begin(), ref.end());
        for (int i = 0; i < n; ++i) EXPECT_EQ(reinterpret_cast<std::intptr_t>(a.Get(i)), ref[static_cast<size_t>(i)]);
    }
}

TEST(ExArray, AssignCopiesSlots)
{
    TExArray a, b;
    a.Put(2, P(2));
    b.Add(P(9));
    b.Assign(&a);
    EXPECT_EQ(b.Count(), 3);
    EXPECT_EQ(b.Get(2), P(2));
    EXPECT_EQ(b.Get(0), nullptr);
    b.Assign(&b);
    EXPECT_EQ(b.Count(), 3);
}

TEST(ExStack, PopHalvesAndEmptyStackRaises)
{
    TExStack s;
    EXPECT_TRUE(s.Empty());
    ExpectError<EExStackError>([&] { s.Pop(); }, "ExStack is empty.");
    s.SetCapacity(16);
    for (int i = 0; i < 8; ++i) s.Push(P(i));
    EXPECT_EQ(s.Pop(), P(7));
    EXPECT_EQ(s.Capacity(), 8);  // 16 / 2 > 7
    EXPECT_EQ(s.Get(0), P(0));
    s.Put(0, P(42));
    EXPECT_EQ(s.Get(0), P(42));
    ExpectError<EExStackError>([&] { s.SetCapacity(6); }, "Invalid ExStack capacity.");
    ExpectError<EExStackError>([&] { s.SetCapacity(0x8000000); }, "Invalid ExStack capacity.");
    while (!s.Empty()) s.Pop();
    EXPECT_EQ(s.Capacity(), 1);
    s.Push(P(1));
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Capacity(), 0);
}

TEST(ExStack, LastInFirstOut)
{
    TExStack s;
    for (int i = 0; i < 1000; ++i) s.Push(P(i));
    for (int i = 999; i >= 0; --i) ASSERT_EQ(s.Pop(), P(i));
    EXPECT_TRUE(s.Empty());
}

}  // namespace
