#include "ctlbase/Excbfmts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Clipbrd.h"

namespace {

TEST(FormatNames, TheSixteenStandardNamesGoBothWaysWhateverTheCase)
{
    const char* names[] = {"TEXT",    "BITMAP", "METAFILEPICT", "SYLK",        "DIF",   "TIFF",
                           "OEMTEXT", "DIB",    "PALETTE",      "PENDATA",     "RIFF",  "WAVE",
                           "UNICODETEXT", "ENHMETAFILE", "HDROP", "LOCALE"};
    for (UINT n = 1; n <= 16; ++n) {
        std::string name = names[n - 1];
        SCOPED_TRACE(name);
        EXPECT_EQ(GetFormatName(n), name);
        EXPECT_EQ(GetFormatIndex(name), n);
        std::string mixed = name;
        for (size_t i = 0; i < mixed.size(); i += 2)
            mixed[i] = char(std::tolower(mixed[i]));
        EXPECT_EQ(GetFormatIndex(mixed), n);
    }
    EXPECT_EQ(GetFormatIndex("text"), CF_TEXT);
    EXPECT_EQ(GetFormatIndex("hDrOp"), CF_HDROP);
}

TEST(FormatNames, NumbersThatAreNoFormatHaveNoName)
{
    EXPECT_EQ(GetFormatName(0), "");
    EXPECT_EQ(GetFormatName(17), "");
    EXPECT_EQ(GetFormatName(0xFFFF), "");
}

TEST(FormatNames, ARegisteredFormatIsFoundByItsNameInAnyCase)
{
    UINT id = RegisterClipboardFormat("Excbfmts Probe Format");
    ASSERT_GE(id, 0xC000u);
    EXPECT_EQ(GetFormatName(id), "Excbfmts Probe Format");
    EXPECT_EQ(GetFormatIndex("EXCBFMTS PROBE FORMAT"), id);
    EXPECT_EQ(GetFormatIndex("excbfmts probe format"), id);
    UINT shortest = RegisterClipboardFormat("Z");
    EXPECT_EQ(GetFormatName(shortest), "Z");
}

TEST(FormatNames, AskingAboutAnUnknownNameRegistersNothingUnlessAsked)
{
    EXPECT_EQ(GetFormatIndex("Never Offered Anywhere"), 0u);
    EXPECT_EQ(FindClipboardFormat("Never Offered Anywhere"), 0u);

    UINT id = GetFormatIndex("Offered By Us", true);
    ASSERT_GE(id, 0xC000u);
    EXPECT_EQ(GetFormatName(id), "OFFERED BY US");  // registered upper-cased
    EXPECT_EQ(GetFormatIndex("offered by us"), id);
    EXPECT_EQ(GetFormatIndex("Offered By Us", true), id);
}

TEST(FormatNames, PiecesOfTheStandardListAndUnreadableNamesAreNoFormat)
{
    for (const char* name : {"TEXT:BITMAP", ":", "::", "EXT", "TEXT:", ":HDROP"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetFormatIndex(name), 0u);
        EXPECT_GE(GetFormatIndex(name, true), 0xC000u);  // a name of its own, not a standard one
    }
    EXPECT_EQ(GetFormatIndex("", true), 0u);
    std::string longest(128, 'Q');
    EXPECT_GE(GetFormatIndex(longest, true), 0xC000u);
    EXPECT_EQ(GetFormatName(GetFormatIndex(longest)), longest);
    EXPECT_EQ(GetFormatIndex(std::string(129, 'Q'), true), 0u);
}

TEST(FormatNames, HasFormatLooksAtTheClipboardAndClosesItAgain)
{
    UINT mine = RegisterClipboardFormat("Excbfmts Clip Format");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(text), "hi", 3);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    HGLOBAL own = GlobalAlloc(GMEM_MOVEABLE, 1);
    SetClipboardData(mine, own);
    CloseClipboard();

    EXPECT_TRUE(HasFormat(nullptr, CF_TEXT));
    EXPECT_TRUE(HasFormat(nullptr, mine));
    EXPECT_FALSE(HasFormat(nullptr, CF_BITMAP));
    EXPECT_FALSE(HasFormat(nullptr, 0));
    // Closed again: it opens.
    ASSERT_TRUE(OpenClipboard(nullptr));
    // While someone else holds it open, nothing can be said.
    EXPECT_FALSE(HasFormat(nullptr, CF_TEXT));
    CloseClipboard();
}

}  // namespace
