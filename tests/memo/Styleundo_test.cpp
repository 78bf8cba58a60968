#include <gtest/gtest.h>

#include "memo/Stylememo.h"
#include "tests/memo/MemoCheck.h"

using namespace memotest;

namespace {

TEST(Undo, TypingIsOneRecordAndRoundTrips)
{
    TStyleMemo m(nullptr);
    for (const char* c : {"a", "b", "c"}) m.setSelText(c);
    ASSERT_EQ(m.UndoCount(), 1);
    EXPECT_EQ(m.UndoList(0).Start, 0);
    EXPECT_EQ(m.UndoList(0).Stop, 3);
    EXPECT_EQ(m.UndoList(0).Text, "");
    m.Undo();
    EXPECT_EQ(Text(m), "");
    ASSERT_EQ(m.UndoCount(), 1);
    EXPECT_EQ(m.UndoLevel(), 0);
    EXPECT_EQ(m.UndoList(0).Stop, 0);
    EXPECT_EQ(m.UndoList(0).Text, "abc");
    EXPECT_TRUE(m.CanRedo());
    m.Redo();
    EXPECT_EQ(Text(m), "abc");
    EXPECT_EQ(m.SelStart(), 3);
    // A caret moved between two keystrokes makes two records; a new edit drops redo.
    m.setSelStart(1);
    m.setSelText("x");
    m.setSelStart(4);
    m.setSelText("y");
    EXPECT_EQ(m.UndoCount(), 3);
    m.Undo();
    m.setSelText("z");
    EXPECT_EQ(m.UndoCount(), 3);
    EXPECT_FALSE(m.CanRedo());
}

TEST(Undo, RestoresReplacedTextAndPutsTheCaretAfterIt)
{
    TStyleMemo m(nullptr);
    m.setSelText("one\r\ntwo\r\nthree");
    Select(m, 2, 6);
    m.setSelText("X");
    EXPECT_EQ(Text(m), "onX\r\nthree");
    m.Undo();
    EXPECT_EQ(Text(m), "one\r\ntwo\r\nthree");
    EXPECT_EQ(m.SelStart(), 8);
    EXPECT_EQ(m.SelLength(), 0);
    m.Redo();
    EXPECT_EQ(Text(m), "onX\r\nthree");
    EXPECT_EQ(m.SelStart(), 3);
}

TEST(Undo, ALargeDeletionCanStillBeUndone)
{
    TStyleMemo m(nullptr);
    m.setSelText("keep");
    m.setSelStart(4);
    m.setSelText(std::string(30, 'x'));
    m.setUndoMaxSpace(20);
    EXPECT_EQ(m.UndoCount(), 1);  // assigning the limit drops the oldest record
    Select(m, 4, 30);
    m.ClearSelection();  // its record of 43 bytes exceeds the space on its own
    ASSERT_EQ(m.UndoCount(), 1);
    m.Undo();
    EXPECT_EQ(Text(m), "keep" + std::string(30, 'x'));
}

TEST(Undo, LevelLimitHoldsWhenAssignedAndWhenRecording)
{
    TStyleMemo m(nullptr);
    for (int i = 0; i < 4; ++i) {
        m.setSelStart(m.TextLen());
        m.setSelText(std::string(1, static_cast<char>('a' + i)));
    }
    m.Undo();  // three undo records and one redo record
    m.setUndoMaxLevel(1);
    EXPECT_EQ(m.UndoCount(), 1);
    EXPECT_EQ(m.UndoLevel(), 1);
    EXPECT_EQ(m.UndoList(0).Stop, 3);
    m.setUndoMaxLevel(3);
    for (int i = 0; i < 5; ++i) {
        m.setSelStart(0);
        m.setSelText("z");
    }
    EXPECT_EQ(m.UndoCount(), 3);
    for (int i = 0; i < 5; ++i) m.Undo();
    EXPECT_EQ(Text(m), "zzabc");
    EXPECT_THROW(m.setUndoMaxLevel(0x8000000), EListError);
    EXPECT_EQ(m.UndoMaxLevel(), 3);
}

TEST(Undo, ChainedRecordsGoTogether)
{
    TStyleMemo m(nullptr);
    m.setSelText("abcdef");
    // A move of "bc" behind "e": deletion, then insertion chained to it.
    Select(m, 1, 2);
    m.ClearSelection();
    m.setSelStart(3);
    m.setSelText("bc");
    const_cast<TUndoRecord&>(m.UndoList(m.UndoLevel() - 1)).Chained = true;
    m.Undo();
    EXPECT_EQ(Text(m), "abcdef");
    EXPECT_EQ(m.UndoLevel(), 1);
    m.Redo();
    EXPECT_EQ(Text(m), "adebcf");
    m.Undo();
    m.Redo();
    EXPECT_EQ(Text(m), "adebcf");
    EXPECT_TRUE(DeepCheck(m));
}

TEST(Undo, ARefusedUndoStaysToBeUndone)
{
    TStyleMemo m(nullptr);
    m.setSelText("abc");
    m.setSelStart(1);
    m.setSelText("X");
    bool refuse = true;
    m.OnBeforeChange = [&](TObject*, const char*&) {
        if (refuse) throw Exception("refused");
    };
    EXPECT_THROW(m.Undo(), Exception);
    EXPECT_EQ(Text(m), "aXbc");
    EXPECT_TRUE(m.CanUndo());
    EXPECT_FALSE(m.CanRedo());
    refuse = false;
    m.Undo();
    EXPECT_EQ(Text(m), "abc");
    m.Redo();
    EXPECT_EQ(Text(m), "aXbc");
}

TEST(Undo, ReadOnlyKeepsUndoForCode)
{
    TStyleMemo m(nullptr);
    m.setReadOnly(true);
    m.setSelText("received");
    EXPECT_EQ(Text(m), "received");
    EXPECT_TRUE(m.CanUndo());
    m.Undo();
    EXPECT_EQ(Text(m), "");
    EXPECT_TRUE(m.CanRedo());
    m.Redo();
    EXPECT_EQ(Text(m), "received");
}

TEST(Undo, CanUndoAndCanRedoWhileAnUndoRuns)
{
    TStyleMemo m(nullptr);
    m.setSelText("a");
    bool canUndo = true;
    bool canRedo = false;
    m.OnChange = [&](TObject*) {
        canUndo = m.CanUndo();
        canRedo = m.CanRedo();
    };
    m.Undo();
    EXPECT_FALSE(canUndo);
    EXPECT_TRUE(canRedo);
}

}  // namespace

// A record counts 13 bytes plus the text it replaced; undo swaps the text and its size with it.
TEST(Undo, RecordSizesCountTheReplacedText)
{
    TStyleMemo m(nullptr);
    m.setSelText("abcd");
    m.setSelStart(1);
    m.setSelLength(2);
    m.setSelText("X");
    ASSERT_EQ(m.UndoCount(), 2);
    EXPECT_EQ(m.UndoList(0).Size, 13);
    EXPECT_EQ(m.UndoList(1).Size, 15);
    EXPECT_EQ(m.UndoBytes(), 28);
    m.Undo();  // the record now holds "X"
    EXPECT_EQ(m.UndoList(1).Size, 14);
    EXPECT_EQ(m.UndoBytes(), 27);
}
