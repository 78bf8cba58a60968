#include "platform/Classes.h"

#include <gtest/gtest.h>

namespace {

struct Probe : TComponent {
    using TComponent::TComponent;
    std::vector<std::pair<TComponent*, TOperation>> heard;
    int* deaths = nullptr;
    ~Probe() override
    {
        if (deaths) ++*deaths;
    }
    void Notification(TComponent* c, TOperation op) override
    {
        heard.emplace_back(c, op);
        TComponent::Notification(c, op);
    }
};

TEST(Component, OwnerFreesItsComponentsAndHearsOfThem)
{
    int deaths = 0;
    auto* owner = new Probe(nullptr);
    auto* a = new Probe(owner);
    auto* b = new Probe(owner);
    a->deaths = b->deaths = &deaths;
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->heard.size(), 2u);
    EXPECT_EQ(b->ComponentIndex(), 1);
    delete a;  // removing itself tells the owner
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->heard.back(), std::make_pair(static_cast<TComponent*>(a), opRemove));
    delete owner;
    EXPECT_EQ(deaths, 2);
}

TEST(Component, FreeNotificationReachesAnUnrelatedComponent)
{
    Probe watcher(nullptr);
    auto* watched = new Probe(nullptr);
    watched->FreeNotification(&watcher);
    delete watched;
    ASSERT_EQ(watcher.heard.size(), 1u);
    EXPECT_EQ(watcher.heard[0].second, opRemove);
}

TEST(StringList, TextSplitsEveryLineBreakForm)
{
    TStringList l;
    l.SetText("a\r\nb\nc\rd\n\re");
    ASSERT_EQ(l.Count(), 6);
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    l.SetText("x\r\n");
    EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, SortedInsertAndDuplicates)
{
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"}) l.Add(s);
    ASSERT_EQ(l.Count(), 3);  // dupIgnore, case-insensitive by default
    EXPECT_EQ(l[0], "Apple");
    EXPECT_EQ(l[2], "pear");
    l.Duplicates = dupError;
    EXPECT_THROW(l.Add("FIG"), EStringListError);
    EXPECT_THROW(l.Insert(0, "z"), EStringListError);
    l.Duplicates = dupAccept;
    EXPECT_EQ(l.Add("fig"), 1);
    EXPECT_EQ(l.Count(), 4);
}

TEST(StringList, CommaTextQuotesAndSplits)
{
    TStringList l;
    l.SetCommaText("one, \"two three\",\"say \"\"hi\"\"\",");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[1], "two three");
    EXPECT_EQ(l[2], "say \"hi\"");
    EXPECT_EQ(l[3], "");
    EXPECT_EQ(l.CommaText(), "one,\"two three\",\"say \"\"hi\"\"\",");  // the empty last item round-trips
}

TEST(StringList, OnChangeFiresOncePerUpdateBracket)
{
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TObject*) { ++changes; };
    l.Add("a");
    l.BeginUpdate();
    l.Add("b");
    l.Add("c");
    l.EndUpdate();
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(l.Get(3), EStringListError);
}

TEST(Stream, ShortReadRaisesAndSeekPastEndReadsNothing)
{
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.Size(), 5);
    m.SetPosition(0);
    char buf[8] = {};
    EXPECT_THROW(m.ReadBuffer(buf, 6), EReadError);
    m.Seek(10, soBeginning);
    EXPECT_EQ(m.Read(buf, 1), 0);
    m.WriteBuffer("!", 1);  // writing past the end grows with zeros
    EXPECT_EQ(m.Size(), 11);
    EXPECT_EQ(m.Bytes()[7], 0);
}

TEST(Stream, FileOpenFailureNamesTheFile)
{
    try {
        TFileStream f("/nonexistent/dir/x.txt", fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/dir/x.txt");
    }
}

}  // namespace
