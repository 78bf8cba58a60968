// The list window's blocked items against a plain vector given the same changes: inserts, erases
// and selections in random places and in runs, in a list long enough for hundreds of blocks, with
// the lookups by index (in order and at random), the next selected or unselected item and, in a
// list kept sorted, the sorted place.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/ListItems.h"

namespace {

using morvik::stdctl::TItemSeq;
using morvik::stdctl::TListItem;

int PlainNext(const std::vector<TListItem>& V, int From, bool Selected)
{
    for (int i = std::max(0, From); i < int(V.size()); ++i)
        if (V[size_t(i)].Selected == Selected)
            return i;
    return -1;
}

class ListItems : public ::testing::TestWithParam<unsigned> {};

TEST_P(ListItems, AnswerAsAPlainVectorThroughRandomChanges)
{
    std::mt19937 rnd(GetParam());
    auto pick = [&](int n) { return n <= 0 ? 0 : int(rnd() % unsigned(n)); };
    const bool sorted = GetParam() % 2 != 0;
    TItemSeq seq;
    std::vector<TListItem> plain;
    auto less = [](const std::string& a, const std::string& b) { return a < b; };
    auto check = [&](int i) {
        ASSERT_EQ(seq.At(i).Text, plain[size_t(i)].Text) << i;
        ASSERT_EQ(seq.At(i).Selected, plain[size_t(i)].Selected) << i;
    };
    // Some hundreds of blocks to begin with, in order; every fifth item selected.
    for (int i = 0; i < 60000; ++i) {
        const TListItem item{std::to_string(1000000 + 6 * i), 0, 0, pick(5) == 0};
        seq.Insert(i, item);
        plain.push_back(item);
    }
    for (int step = 0; step < 5000; ++step) {
        SCOPED_TRACE(step);
        const int n = int(plain.size());
        const int kind = pick(7);
        if (kind <= 1 || n == 0) {
            // A list kept sorted takes each item at its sorted place; the others anywhere.
            const std::string text = std::to_string(1000000 + pick(900000));
            int at = kind == 0 ? pick(n + 1) : n;
            if (sorted) {
                at = seq.SortedPosition(text, less);
                ASSERT_EQ(at, int(std::upper_bound(plain.begin(), plain.end(), text,
                                                   [](const std::string& t, const TListItem& i) { return t < i.Text; }) -
                                  plain.begin()));
            }
            const bool selected = pick(5) == 0;
            seq.Insert(at, TListItem{text, 0, 0, selected});
            plain.insert(plain.begin() + at, TListItem{text, 0, 0, selected});
        } else if (kind == 2 || kind == 4) {
            const int at = pick(n);
            seq.Erase(at);
            plain.erase(plain.begin() + at);
        } else if (kind == 3 || kind == 5) {
            const int at = pick(n);
            const bool value = pick(2) == 0;
            ASSERT_EQ(seq.SetSelected(at, value), plain[size_t(at)].Selected != value);
            plain[size_t(at)].Selected = value;
        } else if (pick(5000) == 0) {
            seq.Clear();
            plain.clear();
        } else {
            // A run of items gone or chosen alike: blocks emptied, and long stretches to skip.
            const int at = pick(n), end = std::min(n, at + 1 + pick(3000));
            const int value = pick(3);
            for (int i = at; i < end; ++i)
                if (value == 2)
                    seq.Erase(at);
                else
                    seq.SetSelected(i, value != 0);
            if (value == 2)
                plain.erase(plain.begin() + at, plain.begin() + end);
            for (int i = at; value != 2 && i < end; ++i)
                plain[size_t(i)].Selected = value != 0;
        }
        ASSERT_EQ(seq.Count(), int(plain.size()));
        const int m = seq.Count();
        const int from = pick(m + 2) - 1;
        ASSERT_EQ(seq.NextSelected(from), PlainNext(plain, from, true)) << from;
        ASSERT_EQ(seq.NextUnselected(from), PlainNext(plain, from, false)) << from;
        if (m > 0) {
            ASSERT_NO_FATAL_FAILURE(check(pick(m)));
        }
        // A walk in order over a stretch, and now and then over everything.
        const int start = pick(m);
        for (int i = start; i < std::min(m, start + 40); ++i)
            ASSERT_NO_FATAL_FAILURE(check(i));
        if (step % 1000 == 0) {
            ASSERT_EQ(seq.SelCount(), std::count_if(plain.begin(), plain.end(), [](const TListItem& i) { return i.Selected; }));
            for (int i = 0; i < m; ++i)
                ASSERT_NO_FATAL_FAILURE(check(i));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ListItems, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
