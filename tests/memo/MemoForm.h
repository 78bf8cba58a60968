// The fixtures of the memo's tests on a shown form: a focused memo driven through the toolkit's own
// key and mouse events and the platform's message path, and a memo whose painting is read back.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "tests/support/UiTest.h"

namespace {

// A failing case is reported by its name, not by its bytes.
template <class Case>
auto operator<<(std::ostream& Os, const Case& C) -> decltype(C.Name, Os)
{
    return Os << C.Name;
}

}  // namespace

namespace memotest {

class Input_ : public ::testing::Test {
public:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 460, 320);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 400, 200);
        memo->setUpdateMode(umImmediate);
        form->Show();
        uitest::Pump();
        memo->SetFocus();
        uitest::Pump();
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        delete form;
        uitest::Pump();
    }
    void Load(const std::string& Text, Integer Caret = 0)
    {
        memo->Clear();
        memo->setSelText(Text);
        memo->ClearUndo();
        memo->setSelStart(Caret);
        memo->ScrollInView();
    }
    std::string Text() { return memo->GetTextPart(0, memo->TextLen()); }
    // The middle of the character border at a position, in client coordinates.
    TPoint At(Integer Pos)
    {
        TStyleNavigator n(memo);
        n.SetPos(Pos);
        TPoint p = n.GetDisplayPos();
        p.Y += memo->RowHeight() / 2;
        return p;
    }
    void Mono()
    {
        memo->Font()->SetName("DejaVu Sans Mono");
        memo->setWordWrap(false);
        uitest::Pump();
    }
    TForm* form = nullptr;
    TStyleMemo* memo = nullptr;
};

// Width of a text in a style of the memo's font, through the function the memo measures and
// paints with.
inline Integer MeasureStyled(TStyleMemo* m, TExtFontStyles Style, const std::string& s)
{
    LOGFONT lf;
    m->SetupLogFontStyle(lf, Style);
    HFONT f = CreateFontIndirect(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    SIZE sz{};
    GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(f);
    return sz.cx;
}

// The same in the plain font.
inline Integer Measure(TStyleMemo* m, const std::string& s) { return MeasureStyled(m, m->AttrToExtFontStyles(0, 0), s); }

inline void PopupCommand(TStyleMemo* m, int Index)
{
    m->CreatePopupMenu();
    m->DefaultPopup()->Items()->Items(Index)->Click();
}

class Control : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 420, 320);
        form->AfterConstruction();
        memo = new TStyleMemo(form);
        memo->SetParent(form);
        memo->SetBounds(0, 0, 300, 200);
        memo->setUpdateMode(umImmediate);
        form->Show();
        uitest::Pump();
    }
    void TearDown() override
    {
        delete form;
        uitest::Pump();
    }
    COLORREF Pixel(int x, int y)
    {
        HDC dc = GetDC(memo->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(memo->Handle(), dc);
        return c;
    }
    void Paint()
    {
        memo->Invalidate();
        memo->Update();
    }
    TForm* form = nullptr;
    TStyleMemo* memo = nullptr;
};

}  // namespace memotest
