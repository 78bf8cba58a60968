// The program started over a year of messages (36,500 files, created in shuffled order so that the
// folder lists them in no order) settles as it does over an empty folder: once the start-up's
// messages are handled it paints nothing more, with the whole archive in order in the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "platform/DateUtils.h"
#include "platform/FileUtils.h"
#include "receiver/MessageArchive.h"
#include "tests/receiver/RxWindowTest.h"
#include "tests/support/Settle.h"
#include "tree/Extree.h"

namespace {

using namespace rxtest;

class ArchiveStart : public RxWindow, public ::testing::WithParamInterface<int> {};

TEST_P(ArchiveStart, SettlesWithTheWholeArchiveInOrder)
{
    const int count = GetParam();
    // A hundred messages a day from 1 January 2006 on.
    std::vector<std::string> names;
    const TDateTime start = EncodeDate(2006, 1, 1);
    for (int i = 0; i < count; ++i) {
        Word y, m, d;
        DecodeDate(start + i / 100, y, m, d);
        const int minutes = (i % 100) * 14;
        names.push_back(Format("%02d%02d%02d-%02d%02d%02d.TXT", y % 100, m, d, minutes / 60, minutes % 60, i % 60));
    }
    std::vector<std::string> shuffled = names;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(36500));
    ASSERT_TRUE(CreateDir("Messages"));
    for (const std::string& name : shuffled)
        std::ofstream("Messages/" + name, std::ios::binary) << "ZCZC\r\nNNNN\r\n";

    form->Show();
    form->FormActivate(form);
    EXPECT_EQ(settle::Painted(settle::PaintsAfterSettling()), PaintCount::TCounts{});

    TExTreeItems* items = form->TreeView1->Items();
    ASSERT_EQ(items->Count() - items->RootCount(), count);
    EXPECT_EQ(items->RootCount(), (count + 99) / 100);
    std::vector<std::string> order;
    order.reserve(names.size());
    for (Integer i = 0; i < items->RootCount(); ++i) {
        TExTreeItem* day = items->RootItem(i);
        for (Integer j = 0; j < day->Count(); ++j)
            order.push_back(rx::MessageFilePath(day->Text(), day->Items(j)->Text()).substr(9));
    }
    EXPECT_TRUE(order == names) << (order.empty() ? "" : order.front() + " ... " + order.back());
    form->ExitClick(form);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveStart, ::testing::Values(0, 36500),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param ? "AYearOfMessages" : "NoMessages";
                         });

}  // namespace
