// The list box window: items with their data, selection (single, multiple, extended), owner-drawn
// items of fixed or variable height, scrolling, keyboard and mouse, behind the LB_* messages. A
// windowed control hands its default message handling here; its style (LBS_*) decides the rest.
// The same window serves as a combo box's drop-down list, where the combo hears of picks instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/ListItems.h"

namespace morvik::stdctl {

class TListCore {
public:
    explicit TListCore(TWinControl* Host);

    // The list window's handling of a message; false when it is left to the default procedure.
    bool WindowProc(TMessage& Message);

    // Who hears notifications and draws owner-drawn items: the list's parent unless a combo box
    // owns it (then WM_DRAWITEM names the combo, ODT_COMBOBOX).
    void SetComboOwner(HWND Combo, bool Popup)
    {
        FCombo = Combo;
        FPopup = Popup;
    }
    // In a combo box: the pointer moving over the list chooses the item under it; a release over an
    // item, Return, or a click outside end the list's turn (Picked true for a choice).
    std::function<void(bool Picked)> OnComboEnd;
    std::function<void()> OnComboSelChange;
    // The pointer chose the item under it in a drop-down list.
    std::function<void()> OnComboPointed;
    // Items came or went (from code, the list open or not); SelectionGone when the selected item
    // was among those that went.
    std::function<void(bool SelectionGone)> OnComboItemsChanged;
    bool ComboMode() const { return FCombo != nullptr; }

    int Count() const { return FItems.Count(); }
    const TListItem& Item(int Index) const { return FItems.At(Index); }
    int CurSel() const { return FCurSel; }
    void SetCurSel(int Index);
    // An item its owner keeps (the combo box's choice of when its list dropped): it follows the
    // item as others come and go before it, and is -1 once the item goes.
    int Kept() const { return FKept; }
    void SetKept(int Index) { FKept = Index; }
    int TopIndex() const { return FTop; }
    int ItemHeight(int Index) const;
    void SetStyleSource(std::function<DWORD()> Source) { FStyleSource = std::move(Source); }
    DWORD Style() const;
    // Items held while there is no window (the control keeps them across window re-creation).
    TItemSeq& Items() { return FItems; }
    int ItemAt(TPoint P, bool* Outside = nullptr);
    // The font changed: items of the font's height follow it.
    void FontChanged();
    TRect ItemRect(int Index);

private:
    HWND Wnd() const;
    bool MultiSel() const;
    bool Extended() const;
    bool OwnerDraw() const;
    bool Variable() const;
    void Measure();
    int FixedHeight() const;
    int VisibleCount(int From) const;
    // Redraw false leaves the bars to the paint that an invalidation after them brings.
    void UpdateScrollBar(bool Redraw = true);
    void Invalidate();
    bool Notify(Word Code);
    int AddString(const std::string& S, std::uintptr_t Data, int Index, bool Sorted);
    int DeleteString(int Index);
    void Reset();
    void SetTop(int Index);
    void MakeVisible(int Index);
    void SetCaretItem(int Index);
    bool SelectOnly(int Index);
    bool SelectRange(int From, int To, bool Clear);
    void Paint(HDC DC);
    void DrawItem(HDC DC, int Index, const TRect& R, UINT Action, UINT State, LRESULT Brush);
    bool KeyDown(Word Key, TShiftState Shift);
    bool Char(unsigned char C);
    void MouseDown(TPoint P, TShiftState Shift, bool Double);
    void MouseMove(TPoint P, bool Down);
    void MouseUp(TPoint P);
    void Scroll(int Bar, int Code);
    // False when a handler freed the list.
    bool MeasureItem(int Index);
    int Find(int Start, const std::string& S, bool Exact) const;

    TWinControl* FHost;
    std::function<DWORD()> FStyleSource;
    TItemSeq FItems;
    HWND FCombo = nullptr;
    bool FPopup = false;  // a drop-down list (not the list of a simple combo box)
    int FCurSel = -1;      // single selection; in multi-selection lists the caret item
    int FCaretItem = -1;   // where the focus rectangle is
    int FAnchor = -1;
    int FKept = -1;
    int FTop = 0;
    int FItemHeight = 0;   // 0: the font's height
    int FFontHeight = 13;
    int FAveWidth = 6;
    int FExtent = 0;       // LB_SETHORIZONTALEXTENT
    bool FHasVBar = false, FHasHBar = false;
    int FScrollX = 0;
    std::vector<int> FTabStops;
    bool FTracking = false;
    bool FDragToggled = false;
    std::string FSearch;
    DWORD FSearchTime = 0;
};

}  // namespace morvik::stdctl
