// Dynamic styles set by code under edits that cross their ends: the text after an edit keeps the
// look it had, on the screen, in the store and through a native dump.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/Classes.h"
#include "platform/Forms.h"
#include "platform/Windows.h"
#include "tests/memo/MemoCheck.h"
#include "tests/support/UiTest.h"

using namespace memotest;

namespace {

const std::string Text3 = "alpha beta gamma\r\ndelta epsilon\r\nzeta eta theta\r\niota kappa";

// Each case: the style's range, the range replaced and what replaces it; the style that the text
// keeps is given by what the remaining styled characters are in the result.
struct CrossCase {
    const char* Name;
    Integer StyleStart, StyleStop;
    Integer From, To;
    const char* Insert;
    Integer KeptStart, KeptStop;  // the style's range in the result
};

const CrossCase CrossCases[] = {
    // Deleting across the style's end, within its paragraph and into the next one.
    {"DeleteAcrossTheEnd", 6, 13, 9, 15, "", 6, 9},
    {"DeleteIntoTheNextParagraph", 6, 13, 11, 20, "", 6, 11},
    // Typing over it: the typed text takes the style in force where it starts.
    {"ReplaceAcrossTheEnd", 6, 13, 9, 15, "XY", 6, 11},
    {"ReplaceWithABreak", 6, 13, 9, 15, "X\r\nY", 6, 13},
    // A style over two paragraphs, its end deleted with the break before it.
    {"StyleOverABreak", 11, 24, 14, 27, "", 11, 14},
};

std::ostream& operator<<(std::ostream& Os, const CrossCase& C) { return Os << C.Name; }

}  // namespace

class DynStyleEdits : public ::testing::TestWithParam<std::tuple<CrossCase, bool>> {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 700, 500);
        form->AfterConstruction();
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    TStyleMemo* Make(int Place)
    {
        auto* m = new TStyleMemo(form);
        m->SetParent(form);
        m->SetBounds(Place * 230, 0, 220, 300);
        m->setUpdateMode(umImmediate);
        if (std::get<1>(GetParam())) {
            m->StartStopKeys()->AddStartStopKey("<<", ">>", 0, 0, 1, 0, clBlue, clWhite, false);
        } else {
            m->setApplyKeywords(false);
            m->setApplyStartStopKeys(false);
        }
        uitest::Pump();
        return m;
    }
    static std::vector<COLORREF> Pixels(TStyleMemo* M)
    {
        M->Invalidate();
        M->Update();
        HDC dc = GetDC(M->Handle());
        std::vector<COLORREF> r;
        for (int y = 0; y < M->ClientHeight(); ++y)
            for (int x = 0; x < M->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, y));
        ReleaseDC(M->Handle(), dc);
        return r;
    }
    // What the window shows now, without painting it again.
    static std::vector<COLORREF> Shown(TStyleMemo* M)
    {
        M->Update();
        HDC dc = GetDC(M->Handle());
        std::vector<COLORREF> r;
        for (int y = 0; y < M->ClientHeight(); ++y)
            for (int x = 0; x < M->ClientWidth(); ++x) r.push_back(GetPixel(dc, x, y));
        ReleaseDC(M->Handle(), dc);
        return r;
    }
    static Integer Differ(const std::vector<COLORREF>& A, const std::vector<COLORREF>& B)
    {
        Integer n = 0;
        for (size_t i = 0; i < A.size() && i < B.size(); ++i) n += A[i] != B[i] ? 1 : 0;
        return n;
    }
    TForm* form = nullptr;
};

// After an edit across the end of a style set by code, the text after the edit looks as it did:
// the window shows what a memo given the result from scratch shows (no row left unpainted), and a
// native dump of it reads back to the same picture.
TEST_P(DynStyleEdits, AcrossTheEndKeepTheRestAsItWas)
{
    const CrossCase& c = std::get<0>(GetParam());
    TStyleMemo* edited = Make(0);
    TStyleMemo* reference = Make(1);
    TStyleMemo* dumped = Make(2);
    edited->setSelText(Text3);
    edited->SetDynStyle(c.StyleStart, c.StyleStop, FontStyle(fsBold), false, 0, 0, clYellow, clRed);
    edited->setSelStart(0);
    edited->Update();
    Select(*edited, c.From, c.To - c.From);
    edited->setSelText(c.Insert);
    edited->setSelStart(0);
    const std::vector<COLORREF> shown = Shown(edited);
    const std::vector<COLORREF> after = Pixels(edited);
    std::string result = Text3;
    result.replace(static_cast<size_t>(c.From), static_cast<size_t>(c.To - c.From), c.Insert);
    ASSERT_EQ(Text(*edited), result);
    reference->setSelText(result);
    reference->SetDynStyle(c.KeptStart, c.KeptStop, FontStyle(fsBold), false, 0, 0, clYellow, clRed);
    reference->setSelStart(0);
    EXPECT_EQ(Differ(after, Pixels(reference)), 0) << "the edited text looks otherwise than the same text styled anew";
    EXPECT_EQ(Differ(shown, after), 0) << "rows were left as they were before the edit";
    // Every paragraph after the edit starts with the attribute the one before it ends with.
    TStyleNavigator n(edited);
    for (Integer p = 1; p < edited->ParCount(); ++p) {
        n.SetPos(edited->ParList()->At(p)->StartPos - 2);
        EXPECT_EQ(edited->ParList()->At(p)->Context->Attr, n.GetpDynInfo()->Attr) << "paragraph " << p;
    }
    TMemoryStream dump;
    edited->SaveToNativeStream(&dump);
    dump.SetPosition(0);
    dumped->LoadFromNativeStream(&dump, false);
    dumped->setSelStart(0);
    EXPECT_EQ(Differ(after, Pixels(dumped)), 0) << "the dump reads back to another picture";
    EXPECT_TRUE(DeepCheck(*edited));
}

INSTANTIATE_TEST_SUITE_P(Memo, DynStyleEdits, ::testing::Combine(::testing::ValuesIn(CrossCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<CrossCase, bool>>& i) {
                             return std::string(std::get<0>(i.param).Name) +
                                    (std::get<1>(i.param) ? "Highlighting" : "Plain");
                         });
