// Shows the platform layer's windows for a person (or a screenshot) to look at: a bordered list
// scrolled with ScrollWindowEx, a splitter held mid-drag (its bar over the child windows) and an
// edit with the keyboard focus to type into. Arguments: [milliseconds to stay up] [drag: 0 or 1]
// [controls: 1 shows the standard controls instead: an edit with a selection in a long scrolled
// text, an owner-drawn list box, a memo with scroll bars and a combo box with its list open].
#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Input.h"
#include "platform/StdCtrls.h"

namespace {

// Rows "Message 1" ... "Message 100" in a sunken frame with a vertical bar; scrolling moves the
// pixels already drawn and paints only the uncovered rows.
class TRowList : public TCustomControl {
public:
    explicit TRowList(TComponent* AOwner) : TCustomControl(AOwner) { SetColor(clWhite); }
    static constexpr int kRows = 100, kRowHeight = 16;
    void ScrollTo(int top)
    {
        top = std::max(0, std::min(top, kRows - ClientHeight() / kRowHeight));
        if (top == FTop)
            return;
        ScrollWindowEx(Handle(), 0, (FTop - top) * kRowHeight, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
        FTop = top;
        SetScrollPos(Handle(), SB_VERT, FTop, TRUE);
        Update();
    }

protected:
    void CreateParams(TCreateParams& Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style |= WS_VSCROLL;
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void CreateWnd() override
    {
        TCustomControl::CreateWnd();
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = kRows - 1;
        si.nPage = UINT(ClientHeight() / kRowHeight);
        si.nPos = FTop;
        SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    }
    void Paint() override
    {
        TRect clip = Canvas()->ClipRect();
        for (int row = clip.Top / kRowHeight; row * kRowHeight < clip.Bottom; ++row) {
            int index = FTop + row;
            TRect r{0, row * kRowHeight, ClientWidth(), (row + 1) * kRowHeight};
            Canvas()->Brush()->SetColor(index % 2 ? TColor(RGB(232, 240, 255)) : clWhite);
            Canvas()->FillRect(r);
            if (index < kRows)
                Canvas()->TextOut(4, r.Top + 1, "Message " + std::to_string(index + 1) + " received");
        }
    }
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_VSCROLL) {
            int code = LOWORD(Message.WParam);
            if (code == SB_LINEDOWN)
                ScrollTo(FTop + 1);
            else if (code == SB_LINEUP)
                ScrollTo(FTop - 1);
            else if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION)
                ScrollTo(short(HIWORD(Message.WParam)));
            return;
        }
        TCustomControl::WndProc(Message);
    }

private:
    int FTop = 0;
};

TForm* ControlsForm()
{
    auto* form = new TForm(nullptr);
    form->SetCaption("Standard controls");
    form->SetBounds(20, 20, 600, 340);
    form->AfterConstruction();
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(12, 12, 260, 24);
    std::string longText = "NAVTEX 518 kHz: ";
    for (int i = 1; i <= 12; ++i)
        longText += "station " + std::to_string(i) + " clear, ";
    longText += "end of report";
    edit->SetText(longText);
    auto* list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(12, 48, 260, 130);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(20);
    const TColor swatches[] = {clRed, clGreen, clBlue, clOlive, clPurple, clTeal, clMaroon, clNavy};
    for (int i = 0; i < 12; ++i)
        list->Items()->Add("Channel " + std::to_string(i + 1));
    list->OnDrawItem = [list, swatches](TWinControl*, int Index, TRect Rect, TOwnerDrawState State) {
        TCanvas* c = list->Canvas();
        c->FillRect(Rect);
        TRect swatch{Rect.Left + 3, Rect.Top + 3, Rect.Left + 17, Rect.Bottom - 3};
        c->Brush()->SetColor(swatches[Index % 8]);
        c->FillRect(swatch);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(Rect.Left + 24, Rect.Top + 3, list->Items()->Strings(Index) + ((State & odSelected) ? "  (chosen)" : ""));
    };
    list->SetItemIndex(2);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(290, 48, 290, 240);
    memo->SetScrollBars(ssBoth);
    std::string lines;
    for (int i = 1; i <= 40; ++i)
        lines += "ZCZC AB" + std::to_string(10 + i) + " gale warning number " + std::to_string(i) +
                 " for the western approaches, wind 8 to 9\r\n";
    memo->SetText(lines);
    memo->SetCaretPos({0, 20});
    SendMessage(memo->Handle(), EM_SCROLLCARET, 0, 0);
    SendMessage(memo->Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
    auto* combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetBounds(290, 12, 200, 0);
    for (const char* s : {"RTTY 45 baud", "RTTY 50 baud", "RTTY 75 baud", "RTTY 100 baud", "NAVTEX"})
        combo->Items()->Add(s);
    combo->SetItemIndex(1);
    form->Show();
    Application->ProcessMessages();
    // An edit with a selection in a text scrolled to its end.
    edit->SetFocus();
    Input::PressKey(VK_END);
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    Input::PressKey(VK_LEFT, ssCtrl | ssShift);
    // The combo box's list open with the pointer over an item.
    combo->SetDroppedDown(true);
    Application->ProcessMessages();
    if (TWinControl* dropped = TWinControl::FindControl(combo->ListHandle()))
        Input::MouseMove(dropped, 30, combo->ItemHeight() * 3 + 4);
    return form;
}

}  // namespace

int main(int argc, char** argv)
{
    const int ms = argc > 1 ? std::atoi(argv[1]) : 3000;
    const bool drag = argc > 2 && std::atoi(argv[2]) != 0;
    Application->Initialize();
    if (argc > 3 && std::atoi(argv[3]) != 0) {
        TForm* controls = ControlsForm();
        auto* quit = new TTimer(controls);
        quit->SetInterval(unsigned(ms));
        quit->OnTimer = [](TObject*) { Application->Terminate(); };
        quit->SetEnabled(true);
        Application->Run();
        delete controls;
        return 0;
    }
    auto* form = new TForm(nullptr);
    form->SetCaption("Platform");
    form->SetBounds(20, 20, 560, 300);
    form->AfterConstruction();
    auto* list = new TRowList(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 220, 300);
    list->SetAlign(alLeft);
    auto* split = new TSplitter(form);
    split->SetParent(form);
    split->SetBounds(220, 0, 4, 300);
    split->SetAlign(alLeft);
    auto* right = new TPanel(form);
    right->SetParent(form);
    right->SetAlign(alClient);
    auto* edit = new TEdit(form);
    edit->SetParent(right);
    edit->SetBounds(12, 12, 280, 24);
    // The same keys reach a control with a Cyrillic font in Windows-1251.
    auto* cyrillic = new TEdit(form);
    cyrillic->SetParent(right);
    cyrillic->SetBounds(12, 44, 280, 24);
    cyrillic->Font()->SetCharset(RUSSIAN_CHARSET);
    auto* note = new TLabel(form);
    note->SetParent(right);
    note->SetBounds(12, 80, 300, 16);
    note->SetCaption("Above: Windows-1252; below it: Windows-1251.");
    form->Show();
    Application->ProcessMessages();
    // Scrolled in steps, as a user's clicks would: each step moves what is drawn.
    for (int i = 0; i < 7; ++i) {
        SendMessage(list->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
        Application->ProcessMessages();
    }
    edit->SetFocus();
    if (drag) {
        Input::MouseDown(split, mbLeft, 2, 100);
        Input::MouseMove(split, 90, 100, ssLeft);
    }
    auto* quit = new TTimer(form);
    quit->SetInterval(unsigned(ms));
    quit->OnTimer = [](TObject*) { Application->Terminate(); };
    quit->SetEnabled(true);
    Application->Run();
    delete form;
    return 0;
}
