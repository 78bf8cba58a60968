// Shows the tree control for a look on a real screen (themed unless MORVIK_NO_THEMES is set).
// Arguments: seconds to run (0: until closed), then the scene:
//   "rows":  columns, tree lines, expand buttons, check boxes (plain, three-state, radio), two image
//            lists, marked-up cells, stripes, a multiple selection with the focus, a strike-out row;
//   "cells": cell check boxes, buttons and progress bars in a column, and a line hint shown over a
//            cut-off cell where the mouse rests.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Input.h"
#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extree.h"

namespace {

// A 16 x 16 picture: a coloured square with a darker frame on a fuchsia (transparent) ground.
void AddPicture(TImageList* List, TColor Fill, TColor Frame, bool Round)
{
    TBitmap b;
    b.SetSize(16, 16);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clFuchsia);
    c->FillRect(TRect{0, 0, 16, 16});
    c->Brush()->SetColor(Fill);
    c->Pen()->SetColor(Frame);
    if (Round)
        c->Ellipse(2, 2, 14, 14);
    else
        c->Rectangle(1, 2, 15, 14);
    List->AddMasked(&b, clFuchsia);
}

TExTree* MakeTree(TForm* Form, int X, int Y, int W, int H)
{
    auto* tree = new TExTree(Form);
    tree->SetParent(Form);
    tree->SetBounds(X, Y, W, H);
    return tree;
}

void RowsScene(TForm* Form)
{
    auto* images = new TImageList(Form);
    AddPicture(images, clYellow, clOlive, false);   // closed folder
    AddPicture(images, 0x80FFFF, clOlive, false);   // open folder
    AddPicture(images, clWhite, clGray, false);     // document
    auto* states = new TImageList(Form);
    AddPicture(states, clLime, clGreen, true);
    AddPicture(states, clRed, clMaroon, true);

    TExTree* tree = MakeTree(Form, 8, 8, 620, 380);
    tree->SetImages(images);
    tree->SetImages2(states);
    tree->SetShowCheckboxes(true);
    tree->SetShowRoot(true);
    tree->SetStripedItems(true);
    tree->SetStripedOddColor(TColor(0xF4EEE8));
    tree->SetStripedEvenColor(clWindow);
    tree->SetVerticalLines(true);
    tree->SetHorizontalLines(true);
    TExHeaderSections* sections = tree->Header()->Sections();
    const char* captions[] = {"Message", "Station", "Size"};
    const int widths[] = {300, 190, 100};
    for (int i = 0; i < 3; ++i) {
        TExHeaderSection* s = sections->AddSection();
        s->SetText(captions[i]);
        s->SetWidth(widths[i]);
    }
    sections->GetSection(2)->SetAlignment(hsaRight);
    tree->SetShowHeader(true);

    TExTreeItems* items = tree->Items();
    items->BeginUpdate();
    for (int d = 0; d < 4; ++d) {
        TExTreeItem* day = items->Add(nullptr, "Day " + std::to_string(d + 1));
        day->SetImageIndex(0);
        day->SetStImageIndex(1);
        day->SetShowCheckBox(true);
        day->SetCheckBoxType(ect3SCheckBox);
        day->SetCheckBoxState(d == 0 ? cbGrayed : d == 1 ? cbChecked : cbUnchecked);
        for (int m = 0; m < 4; ++m) {
            TExTreeItem* msg = items->AddChild(day, "Weather report " + std::to_string(m + 1));
            msg->SetImageIndex(2);
            msg->SetImageIndex2(m % 2);
            msg->SetShowCheckBox(true);
            msg->SetCheckBoxType(m == 3 ? ectRadioButton : ectCheckBox);
            msg->SetChecked(m == 1 || m == 3);
            msg->ColumnText()->Add(m == 2 ? "<html><b>NAVTEX</b> <font color=\"#C00000\">urgent</font></html>"
                                          : "Station " + std::string(1, char('A' + m)));
            msg->ColumnText()->Add(std::to_string(120 + 37 * m) + " B");
            if (m == 2) msg->SetIsHTML(true);
            if (m == 1 && d == 2) msg->SetStrikedOutLine(true);
        }
        if (d < 3) day->Expand(false);
    }
    items->EndUpdate();
    tree->SetMultiSelect(true);
    // Focus first: moving the focus in a multiple selection toggles the item it lands on.
    tree->SetFocused(tree->Items()->Item(3));
    tree->Items()->Item(2)->SetSelected(true);
    tree->Items()->Item(3)->SetSelected(true);
}

void CellsScene(TForm* Form)
{
    TExTree* tree = MakeTree(Form, 8, 8, 560, 300);
    tree->SetLineHintMode(shmLong);
    TExHeaderSections* sections = tree->Header()->Sections();
    const char* captions[] = {"Item", "Done", "Action", "Progress"};
    const int widths[] = {120, 110, 90, 200};
    for (int i = 0; i < 4; ++i) {
        TExHeaderSection* s = sections->AddSection();
        s->SetText(captions[i]);
        s->SetWidth(widths[i]);
    }
    tree->SetShowHeader(true);
    tree->SetVerticalLines(true);
    TExTreeItems* items = tree->Items();
    items->BeginUpdate();
    const char* names[] = {"A rather long name cut off by its column", "Short", "Third", "Fourth"};
    for (int i = 0; i < 4; ++i) {
        TExTreeItem* item = items->Add(nullptr, names[i]);
        item->ColumnText()->Add("");
        item->ColumnText()->Add("");
        item->ColumnText()->Add("");
        item->SetUseStyles(true);
        for (int c = 0; c < 3; ++c) {
            TExCellStyle* style = item->AddStyle();
            style->SetOwnerColors(false);
            style->SetCellBkColor(clWindow);
        }
        auto* check = new TExCellCheckBox(nullptr);
        check->SetCaption(i % 2 ? "no" : "yes");
        check->SetAllowGrayed(true);
        check->SetState(i == 3 ? cbGrayed : i % 2 ? cbUnchecked : cbChecked);
        check->SetEnabled(i != 2);
        item->Styles(0)->SetControl(check);
        auto* button = new TExCellButton(nullptr);
        button->SetCaption(i == 1 ? "Held" : "Open");
        button->SetSwitch(i == 1);
        button->SetDown(i == 1);
        item->Styles(1)->SetControl(button);
        auto* bar = new TExCellProgressBar(nullptr);
        bar->SetValue(i * 30 + 10);
        bar->SetTextAlignment(i == 2 ? taRightJustify : taCenter);
        item->Styles(2)->SetControl(bar);
    }
    items->EndUpdate();
    // The mouse rests on the cut-off name; the hint follows after the hint pause.
    Application->ProcessMessages();
    const TRect row = tree->View()->GetItemRect(0);
    Input::MouseMove(tree->View(), 60, row.Top + 4);
    Input::MouseMove(tree->View(), 61, row.Top + 5);
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string scene = argc > 2 ? argv[2] : "rows";
    auto* form = new TForm(Application);
    const bool classic = std::getenv("MORVIK_NO_THEMES") != nullptr;
    form->SetCaption(std::string("Tree, ") + scene + (classic ? ", classic" : ", themed"));
    form->SetBounds(40, 40, scene == "rows" ? 650 : 590, scene == "rows" ? 420 : 340);
    if (scene == "cells")
        CellsScene(form);
    else
        RowsScene(form);
    form->Show();
    if (seconds > 0) {
        auto* timer = new TTimer(form);
        timer->SetInterval(Cardinal(seconds) * 1000);
        timer->OnTimer = [](TObject*) { Application->Terminate(); };
        timer->SetEnabled(true);
    }
    Application->Run();
    DoneApplication();
    return 0;
}
