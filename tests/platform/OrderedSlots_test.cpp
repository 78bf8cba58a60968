#include "platform/OrderedSlots.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

struct Item {
    int Id = 0;
    size_t Slot = 0;
};

struct ItemSlot {
    static void Set(Item* const& I, size_t Slot) { I->Slot = Slot; }
};

// Random appends and removals from anywhere, against a plain vector that erases in place: after
// every step the same entries in the same order, by rank and in a walk, and every entry's slot
// takes out that very entry. Runs of removals from the front, the back and the middle leave long
// stretches of holes, removals of the last two take the holes before them, and the list empties now
// and then.
TEST(OrderedSlots, MatchesAPlainVectorUnderRandomRemovals)
{
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        std::mt19937 rng(seed);
        std::vector<std::unique_ptr<Item>> owned;
        TOrderedSlots<Item*, ItemSlot> list;
        std::vector<Item*> plain;
        int next = 0;
        for (int step = 0; step < 3000; ++step) {
            const unsigned op = rng() % 10;
            if (plain.empty() || op < 4) {
                const int n = 1 + static_cast<int>(rng() % (op == 0 ? 40 : 3));
                for (int i = 0; i < n; ++i) {
                    owned.push_back(std::make_unique<Item>());
                    owned.back()->Id = next++;
                    list.Append(owned.back().get());
                    plain.push_back(owned.back().get());
                }
            } else {
                const int n = 1 + static_cast<int>(rng() % (op == 9 ? 30 : 2));
                for (int i = 0; i < n && !plain.empty(); ++i) {
                    size_t at = rng() % plain.size();
                    if (op == 5) at = 0;
                    if (op == 6) at = plain.size() - 1;
                    if (op == 7) at = plain.size() / 2;
                    // The last two, the one before the last first: the holes go with the last.
                    if (op == 8) at = plain.size() - (i % 2 == 0 && plain.size() > 1 ? 2 : 1);
                    Item* gone = plain[at];
                    plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
                    ASSERT_EQ(list.Remove(gone->Slot), gone) << "seed " << seed << " step " << step;
                }
            }
            ASSERT_EQ(list.Count(), plain.size());
            ASSERT_EQ(list.Empty(), plain.empty());
            for (size_t r = 0; r < plain.size(); ++r) ASSERT_EQ(list[r], plain[r]) << "seed " << seed << " step " << step;
            std::vector<Item*> walked;
            list.ForEach([&](Item* I) { walked.push_back(I); });
            ASSERT_EQ(walked, plain);
        }
        const std::vector<Item*> rest = list.TakeAll();
        EXPECT_EQ(rest, plain);
        EXPECT_EQ(list.Count(), 0u);
        list.ForEach([&](Item*) { ADD_FAILURE() << "an entry after TakeAll"; });
    }
}

// A million entries, the last half taken out two at a time from the end, the one before the last
// first, and then the rest from the front: each removal finds its entry and the rest keep their
// order. Remade at each pair, the count tree would make this take hours.
TEST(OrderedSlots, AMillionEntriesTakenOutInPairsFromTheEnd)
{
    constexpr size_t N = 1000000;
    std::vector<Item> items(N);
    TOrderedSlots<Item*, ItemSlot> list;
    for (size_t i = 0; i < N; ++i) {
        items[i].Id = static_cast<int>(i);
        list.Append(&items[i]);
    }
    for (size_t k = N - 2; k >= N / 2; k -= 2) {
        ASSERT_EQ(list.Remove(items[k].Slot), &items[k]);
        ASSERT_EQ(list.Remove(items[k + 1].Slot), &items[k + 1]);
        if (k % 100000 == 0) {
            ASSERT_EQ(list.Count(), k);
            ASSERT_EQ(list[k / 3], &items[k / 3]);
            ASSERT_EQ(list[k - 1], &items[k - 1]);
        }
    }
    for (size_t i = 0; i < N / 2; ++i) {
        ASSERT_EQ(list[0], &items[i]);
        ASSERT_EQ(list.Remove(items[i].Slot), &items[i]);
    }
    EXPECT_TRUE(list.Empty());
}

}  // namespace
