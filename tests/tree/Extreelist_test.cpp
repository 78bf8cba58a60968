// The blocked item list behind the all-items list: every operation mirrored on a plain vector,
// with every position and every item's own lookup compared after each step, over sizes that
// split, spill, merge and drop blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "ctlbase/Exlist.h"
#include "tree/Extree.h"

namespace {

class ItemListTest : public ::testing::Test {
protected:
    TExTreeModel model;
    // The model's own list, driven directly with items that stand in no tree.
    TExTreeItemList& list = model.AllItems();
    std::vector<std::unique_ptr<TExTreeItem>> made;
    std::vector<TExTreeItem*> ref;

    ~ItemListTest() override { list.Clear(); }

    TExTreeItem* Fresh()
    {
        made.push_back(std::make_unique<TExTreeItem>(&model));
        return made.back().get();
    }
    std::vector<TExTreeItem*> Fresh(int Count)
    {
        std::vector<TExTreeItem*> out;
        for (int i = 0; i < Count; ++i) out.push_back(Fresh());
        return out;
    }

    void Compare(const std::string& Step)
    {
        SCOPED_TRACE(Step);
        ASSERT_EQ(list.Count(), static_cast<Integer>(ref.size()));
        // Forward, backward and scattered reads: the read cursor must not answer from a stale block.
        for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(list.FastGet(static_cast<Integer>(i)), ref[i]) << "at " << i;
        for (size_t i = ref.size(); i-- > 0;) ASSERT_EQ(list.Get(static_cast<Integer>(i)), ref[i]) << "at " << i;
        for (size_t i = 0; i < ref.size(); i += 37) ASSERT_EQ(list.FastGet(static_cast<Integer>(ref.size() - 1 - i)), ref[ref.size() - 1 - i]);
        for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(list.IndexOf(ref[i]), static_cast<Integer>(i)) << "item " << i;
        const std::unordered_set<TExTreeItem*> in(ref.begin(), ref.end());
        for (auto& item : made)
            if (!in.count(item.get())) {
                ASSERT_EQ(list.IndexOf(item.get()), -1);
            }
        if (!ref.empty()) {
            ASSERT_EQ(list.First(), ref.front());
            ASSERT_EQ(list.Last(), ref.back());
        }
        // Blocks are kept reasonably full: small ones merge, empty ones go.
        ASSERT_LE(list.BlockCount(), list.Count() / 16 + 4);
    }
};

TEST_F(ItemListTest, AppendingFillsBlocksAndFindsEveryItem)
{
    for (TExTreeItem* item : Fresh(3 * TExTreeItemList::MaxBlock + 5)) {
        list.Add(item);
        ref.push_back(item);
    }
    Compare("appended");
    // An append-only list fills its blocks to the brim instead of halving them.
    EXPECT_EQ(list.BlockCount(), 4);
}

TEST_F(ItemListTest, InsertingAtTheFrontKeepsLaterItemsFindable)
{
    // Every insertion shifts every item after it; their slot hints go stale in every block.
    for (TExTreeItem* item : Fresh(2 * TExTreeItemList::MaxBlock + 7)) {
        list.Insert(0, item);
        ref.insert(ref.begin(), item);
    }
    Compare("front inserts");
}

TEST_F(ItemListTest, BlockInsertsSpillOverSeveralBlocks)
{
    for (TExTreeItem* item : Fresh(10)) {
        list.Add(item);
        ref.push_back(item);
    }
    auto block = Fresh(3 * TExTreeItemList::MaxBlock);
    list.InsertBlock(4, block.data(), static_cast<Integer>(block.size()));
    ref.insert(ref.begin() + 4, block.begin(), block.end());
    Compare("large block in the middle");
    auto small = Fresh(3);
    list.InsertBlock(list.Count(), small.data(), 3);
    ref.insert(ref.end(), small.begin(), small.end());
    Compare("small block at the end");
    list.InsertBlock(0, small.data(), 0);
    Compare("empty block");
}

TEST_F(ItemListTest, RangesAndMovesAcrossBlocks)
{
    for (TExTreeItem* item : Fresh(4 * TExTreeItemList::MaxBlock)) {
        list.Add(item);
        ref.push_back(item);
    }
    const Integer m = TExTreeItemList::MaxBlock;
    list.DeleteRange(m / 2, 2 * m + 3);
    ref.erase(ref.begin() + m / 2, ref.begin() + 2 * m + 4);
    Compare("range over three blocks");
    list.Move(3, m, list.Count());
    std::rotate(ref.begin() + 3, ref.begin() + m + 1, ref.end());
    Compare("moved to the end");
    list.Move(list.Count() - 10, list.Count() - 1, 0);
    std::rotate(ref.begin(), ref.end() - 10, ref.end());
    Compare("moved to the front");
    // A destination inside, at the end of or just after the block is no move.
    list.Move(5, 9, 7);
    list.Move(5, 9, 9);
    list.Move(5, 9, 10);
    Compare("no move");
    list.DeleteRange(3, 2);
    Compare("empty range");
    list.DeleteRange(0, list.Count() - 1);
    ref.clear();
    Compare("everything");
    EXPECT_EQ(list.BlockCount(), 0);
}

TEST_F(ItemListTest, PutWritesPermutationsInPlace)
{
    for (TExTreeItem* item : Fresh(2 * TExTreeItemList::MaxBlock)) {
        list.Add(item);
        ref.push_back(item);
    }
    // A reversal written entry by entry, as a sort writes its result back: midway through, items
    // stand twice in the list.
    std::vector<TExTreeItem*> reversed(ref.rbegin(), ref.rend());
    for (size_t i = 0; i < reversed.size(); ++i) list.Put(static_cast<Integer>(i), reversed[i]);
    ref = reversed;
    Compare("reversed");
    // Replacing an entry by an item from outside: the replaced one leaves the list.
    TExTreeItem* outsider = Fresh();
    TExTreeItem* replaced = ref[3];
    list.Put(3, outsider);
    ref[3] = outsider;
    Compare("replaced");
    EXPECT_EQ(list.IndexOf(replaced), -1);
}

TEST_F(ItemListTest, OutOfRangeIndexesRaiseTheListError)
{
    TExTreeItem* a = Fresh();
    EXPECT_THROW(list.Insert(1, a), EExListError);
    EXPECT_THROW(list.Insert(-1, a), EExListError);
    list.Add(a);
    EXPECT_THROW(list.Get(1), EExListError);
    EXPECT_THROW(list.Get(-1), EExListError);
    EXPECT_THROW(list.Delete(1), EExListError);
    EXPECT_THROW(list.Put(1, a), EExListError);
    EXPECT_THROW(list.DeleteRange(0, 1), EExListError);
    EXPECT_THROW(list.Move(0, 0, 2), EExListError);
    EXPECT_THROW(list.InsertBlock(2, &a, 1), EExListError);
    ref.push_back(a);
    for (TExTreeItem* item : Fresh(3)) {
        list.Add(item);
        ref.push_back(item);
    }
    EXPECT_THROW(list.Move(-1, 0, 3), EExListError);
    EXPECT_THROW(list.DeleteRange(-1, 0), EExListError);
    Compare("after the refusals");
    EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST_F(ItemListTest, AnItemOfAnotherListIsNotFoundHere)
{
    TExTreeModel other;
    TExTreeItem* p = other.Items()->Add(nullptr, "p");
    // Children lists hold places of their own kind: an item is found only in its parent's list.
    TExTreeItem* c = other.Items()->AddChild(p, "c");
    EXPECT_EQ(list.IndexOf(p), -1);
    EXPECT_EQ(other.AllItems().IndexOf(c), 1);
    EXPECT_EQ(p->GetChildIndex(c), 0);
    EXPECT_EQ(other.Items()->Root()->GetChildIndex(c), -1);
    EXPECT_EQ(c->GetChildIndex(p), -1);
}

TEST_F(ItemListTest, ClearTakesEveryItemOut)
{
    auto items = Fresh(TExTreeItemList::MaxBlock + 1);
    list.InsertBlock(0, items.data(), static_cast<Integer>(items.size()));
    list.SetCapacity(5000);
    EXPECT_EQ(list.Capacity(), 5000);
    ref = items;
    Compare("before clearing");
    list.Clear();
    ref.clear();
    Compare("cleared");
    EXPECT_EQ(list.Capacity(), 5000);
    // Used again after clearing: nothing of the old blocks is read.
    for (TExTreeItem* item : items) {
        list.Add(item);
        ref.push_back(item);
    }
    Compare("filled again");
    list.Clear();
    ref.clear();
    list.SetCapacity(0);
    list.Add(items[0]);
    EXPECT_EQ(list.Capacity(), 1);
}

class ItemListRandom : public ItemListTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(ItemListRandom, MatchesAVectorAfterEveryOperation)
{
    std::mt19937 rng(GetParam());
    auto rand = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::vector<TExTreeItem*> spare = Fresh(3000);
    auto take = [&] {
        TExTreeItem* item = spare.back();
        spare.pop_back();
        return item;
    };
    for (int step = 0; step < 400; ++step) {
        const int n = static_cast<int>(ref.size());
        // Grow to about two thousand entries, then hover there.
        const bool grow = n < 1800 && !spare.empty();
        const int op = rand(10);
        std::string name;
        if (op < 4 && grow) {
            // A run of single inserts at one random place, as the archive's live saving makes.
            const int at = rand(n + 1);
            const int k = std::min<int>(1 + rand(40), static_cast<int>(spare.size()));
            for (int j = 0; j < k; ++j) {
                TExTreeItem* item = take();
                list.Insert(at + j, item);
                ref.insert(ref.begin() + at + j, item);
            }
            name = "inserts at " + std::to_string(at);
        } else if (op < 6 && grow) {
            const int at = rand(n + 1);
            const int k = std::min<int>(1 + rand(600), static_cast<int>(spare.size()));
            std::vector<TExTreeItem*> block;
            for (int j = 0; j < k; ++j) block.push_back(take());
            list.InsertBlock(at, block.data(), k);
            ref.insert(ref.begin() + at, block.begin(), block.end());
            name = "block of " + std::to_string(k) + " at " + std::to_string(at);
        } else if (op < 7 && n > 0) {
            const int at = rand(n);
            spare.push_back(ref[static_cast<size_t>(at)]);
            list.Delete(at);
            ref.erase(ref.begin() + at);
            name = "delete " + std::to_string(at);
        } else if (op < 8 && n > 0) {
            const int from = rand(n);
            const int to = std::min(n - 1, from + rand(700));
            spare.insert(spare.end(), ref.begin() + from, ref.begin() + to + 1);
            list.DeleteRange(from, to);
            ref.erase(ref.begin() + from, ref.begin() + to + 1);
            name = "range " + std::to_string(from) + ".." + std::to_string(to);
        } else if (n > 0) {
            const int from = rand(n);
            const int to = std::min(n - 1, from + rand(500));
            const int dest = rand(n + 1);
            list.Move(from, to, dest);
            if (dest < from)
                std::rotate(ref.begin() + dest, ref.begin() + from, ref.begin() + to + 1);
            else if (dest > to + 1)
                std::rotate(ref.begin() + from, ref.begin() + to + 1, ref.begin() + dest);
            name = "move " + std::to_string(from) + ".." + std::to_string(to) + " to " + std::to_string(dest);
        } else {
            continue;
        }
        Compare("step " + std::to_string(step) + ": " + name);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ItemListRandom, ::testing::Range(1u, 5u),
                         [](const ::testing::TestParamInfo<unsigned>& Info) { return "seed" + std::to_string(Info.param); });

}  // namespace
