// The header set-up dialog and the header's Setup that runs it.
#include "controls/Exheadersetup.h"

#include "controls/Exactrls.h"
#include "controls/Exheader.h"
#include "controls/Expopbtn.h"
#include "platform/Guard.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"

namespace {

TExAdvancedListBox* MakeList(TWinControl* Parent, Integer Left)
{
    auto* list = new TExAdvancedListBox(Parent->Owner());
    list->SetParent(Parent);
    list->SetBounds(Left, 24, 151, 172);
    list->SetFlat(true);
    list->SetActiveBorderType(fbtFlat);
    list->SetInactiveBorderType(fbtFlat);
    list->SetBorderSides(AllBorderSides);
    list->SelectedFont()->SetColor(clHighlightText);
    list->SetHorizontalScroll(false);
    list->SetItemHeight(13);
    return list;
}

TExPopupButton* MakeButton(TWinControl* Parent, Integer Left, Integer Top, Integer Width, const char* Caption,
                           bool Enabled)
{
    auto* button = new TExPopupButton(Parent->Owner());
    button->SetParent(Parent);
    button->SetBounds(Left, Top, Width, 23);
    button->SetCaption(Caption);
    button->SetEnabled(Enabled);
    button->SetTabStop(false);
    return button;
}

TLabel* MakeLabel(TWinControl* Parent, Integer Left, const char* Caption, TWinControl* Focus)
{
    auto* label = new TLabel(Parent->Owner());
    label->SetParent(Parent);
    label->SetLeft(Left);
    label->SetTop(9);
    label->SetCaption(Caption);
    label->FocusControl = Focus;
    return label;
}

}  // namespace

TfrmHeaderSetup::TfrmHeaderSetup(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Edit Header Columns");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SetClientWidth(382);
    SetClientHeight(246);

    pnlButtons = new TPanel(this);
    pnlButtons->SetParent(this);
    pnlButtons->SetBevelOuter(bvNone);
    pnlButtons->SetCaption("");
    pnlButtons->SetHeight(35);
    pnlButtons->SetAlign(alBottom);

    pnlSections = new TPanel(this);
    pnlSections->SetParent(this);
    pnlSections->SetBevelOuter(bvNone);
    pnlSections->SetCaption("");
    pnlSections->SetAlign(alClient);

    bvlSeparator = new TBevel(this);
    bvlSeparator->SetParent(pnlSections);
    bvlSeparator->SetShape(bsBottomLine);
    bvlSeparator->SetHeight(2);
    bvlSeparator->SetAlign(alBottom);

    lbxAvailable = MakeList(pnlSections, 6);
    lbxVisible = MakeList(pnlSections, 223);
    lblAvailable = MakeLabel(pnlSections, 8, "Available &Columns:", lbxAvailable);
    lblVisible = MakeLabel(pnlSections, 224, "&Visible Columns:", lbxVisible);
    btnAdd = MakeButton(pnlSections, 166, 42, 49, "&Add", true);
    btnDelete = MakeButton(pnlSections, 166, 71, 49, "&Delete", false);
    btnUp = MakeButton(pnlSections, 166, 130, 49, "&Up", false);
    btnDown = MakeButton(pnlSections, 166, 159, 49, "Dow&n", false);

    btnOk = MakeButton(pnlButtons, 219, 6, 75, "OK", true);
    btnOk->SetDefault(true);
    btnOk->ModalResult = mrOk;
    btnCancel = MakeButton(pnlButtons, 299, 6, 75, "Cancel", true);
    btnCancel->Cancel = true;
    btnCancel->ModalResult = mrCancel;

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    for (TExAdvancedListBox* list : {lbxAvailable, lbxVisible}) {
        list->OnClick = [this](TObject* Sender) { FormShow(Sender); };
        list->OnExit = [this](TObject* Sender) { FormShow(Sender); };
        list->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
            ListMouseDown(Sender, Button, Shift, X, Y);
        };
        list->OnDragDrop = [this](TObject* Sender, TObject* Source, int X, int Y) {
            ListDragDrop(Sender, Source, X, Y);
        };
    }
    lbxAvailable->OnDblClick = [this](TObject* Sender) { btnAddClick(Sender); };
    lbxVisible->OnDblClick = [this](TObject* Sender) { btnDeleteClick(Sender); };
    lbxAvailable->OnEnter = [this](TObject* Sender) { lbxAvailableEnter(Sender); };
    lbxVisible->OnEnter = [this](TObject* Sender) { lbxVisibleEnter(Sender); };
    lbxAvailable->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
        lbxAvailableDragOver(Sender, Source, X, Y, State, Accept);
    };
    lbxVisible->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
        lbxVisibleDragOver(Sender, Source, X, Y, State, Accept);
    };
    btnAdd->OnClick = [this](TObject* Sender) { btnAddClick(Sender); };
    btnDelete->OnClick = [this](TObject* Sender) { btnDeleteClick(Sender); };
    btnUp->OnClick = [this](TObject* Sender) { btnUpClick(Sender); };
    btnDown->OnClick = [this](TObject* Sender) { btnDownClick(Sender); };
}

void TfrmHeaderSetup::LoadHeaderSections(TExHeaderSections* Sections)
{
    TStrings* available = lbxAvailable->Items();
    TStrings* visible = lbxVisible->Items();
    available->BeginUpdate();
    visible->BeginUpdate();
    available->Clear();
    visible->Clear();
    FShownAtLoad.clear();
    for (Integer i = 0; i < Sections->GetCount(); ++i) {
        TExHeaderSection* s = Sections->GetSectionByPos(i);
        const std::string text = s->Text().empty() ? std::string("(Untitled)") : s->Text();
        if (s->GetVisible()) {
            visible->AddObject(text, s);
            FShownAtLoad.insert(s);
        } else {
            available->AddObject(text, s);
        }
    }
    visible->EndUpdate();
    available->EndUpdate();
}

void TfrmHeaderSetup::SaveHeaderSections(TExHeaderSections* Sections)
{
    controls::TUpdateScope update(Sections->Header());
    Integer p = 0;
    TStrings* visible = lbxVisible->Items();
    for (int i = 0; i < visible->Count(); ++i) {
        auto* s = static_cast<TExHeaderSection*>(visible->Objects(i));
        if (Sections->IndexOf(s) < 0)
            continue;
        Sections->MoveSection(s, p++);
        s->SetVisible(true);
    }
    TStrings* available = lbxAvailable->Items();
    for (int i = 0; i < available->Count(); ++i) {
        auto* s = static_cast<TExHeaderSection*>(available->Objects(i));
        if (Sections->IndexOf(s) < 0)
            continue;
        Sections->MoveSection(s, p++);
        // Only a section the user took out of the shown ones is hidden by its own flag.
        if (FShownAtLoad.count(s))
            s->SetVisible(false);
    }
}

bool TfrmHeaderSetup::Focused(TExAdvancedListBox* List) { return List->HandleAllocated() && List->Focused(); }

void TfrmHeaderSetup::UpdateButtons()
{
    const bool availableFocused = Focused(lbxAvailable);
    const bool visibleFocused = Focused(lbxVisible);
    const int selected = lbxVisible->ItemIndex();
    btnAdd->SetEnabled(availableFocused && lbxAvailable->ItemIndex() >= 0);
    btnDelete->SetEnabled(visibleFocused && selected >= 0);
    btnUp->SetEnabled(visibleFocused && selected > 0);
    btnDown->SetEnabled(visibleFocused && selected >= 0 && selected < lbxVisible->Items()->Count() - 1);
}

void TfrmHeaderSetup::FormShow(TObject*) { UpdateButtons(); }

void TfrmHeaderSetup::EnterList(TExAdvancedListBox* List)
{
    if (List->ItemIndex() < 0 && List->Items()->Count() > 0)
        List->SetItemIndex(0);
    UpdateButtons();
}

void TfrmHeaderSetup::lbxAvailableEnter(TObject*) { EnterList(lbxAvailable); }

void TfrmHeaderSetup::lbxVisibleEnter(TObject*) { EnterList(lbxVisible); }

void TfrmHeaderSetup::MoveAcross(TExAdvancedListBox* From, TExAdvancedListBox* To)
{
    const int i = From->ItemIndex();
    if (i < 0)
        return;
    TStrings* from = From->Items();
    To->SetItemIndex(To->Items()->AddObject(from->Strings(i), from->Objects(i)));
    from->Delete(i);
    const int left = from->Count();
    if (left > 0)
        From->SetItemIndex(i < left ? i : left - 1);
    if (From->CanFocus())
        From->SetFocus();
    UpdateButtons();
}

void TfrmHeaderSetup::btnAddClick(TObject*) { MoveAcross(lbxAvailable, lbxVisible); }

void TfrmHeaderSetup::btnDeleteClick(TObject*) { MoveAcross(lbxVisible, lbxAvailable); }

void TfrmHeaderSetup::btnUpClick(TObject*)
{
    const int i = lbxVisible->ItemIndex();
    if (i < 1)
        return;
    lbxVisible->Items()->Exchange(i, i - 1);
    lbxVisible->SetItemIndex(i - 1);
    if (lbxVisible->CanFocus())
        lbxVisible->SetFocus();
    UpdateButtons();
}

void TfrmHeaderSetup::btnDownClick(TObject*)
{
    const int i = lbxVisible->ItemIndex();
    if (i < 0 || i >= lbxVisible->Items()->Count() - 1)
        return;
    lbxVisible->Items()->Exchange(i, i + 1);
    lbxVisible->SetItemIndex(i + 1);
    if (lbxVisible->CanFocus())
        lbxVisible->SetFocus();
    UpdateButtons();
}

void TfrmHeaderSetup::ListMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int, int)
{
    if (Button == mbLeft)
        static_cast<TControl*>(Sender)->BeginDrag(false);
}

void TfrmHeaderSetup::lbxAvailableDragOver(TObject* Sender, TObject* Source, int, int, TDragState, bool& Accept)
{
    Accept = Source == Sender;
}

void TfrmHeaderSetup::lbxVisibleDragOver(TObject* Sender, TObject* Source, int, int, TDragState, bool& Accept)
{
    if (Source == Sender)
        Accept = true;
}

void TfrmHeaderSetup::ListDragDrop(TObject* Sender, TObject* Source, int X, int Y)
{
    if (Source != Sender)
        return;
    auto* list = static_cast<TExAdvancedListBox*>(Sender);
    const int to = list->ItemAtPos(TPoint{X, Y}, true);
    const int from = list->ItemIndex();
    if (to < 0 || from < 0)
        return;
    list->Items()->Move(from, to);
    list->SetItemIndex(to);
    UpdateButtons();
}

// ---------------------------------------------------------------- the header's part

bool TCustomExHeader::Setup()
{
    TGuardPtr<TCustomExHeader> self(this);
    TfrmHeaderSetup* dialog = nullptr;
    Application->CreateForm(dialog);
    bool ok = false;
    try {
        dialog->LoadHeaderSections(FSections.get());
        // Something run while the dialog was up may have freed the header.
        ok = dialog->ShowModal() == mrOk && self;
        if (ok)
            dialog->SaveHeaderSections(FSections.get());
    } catch (...) {
        TObject::Free(dialog);
        throw;
    }
    TObject::Free(dialog);
    return ok;
}
