// The dialog in which the user chooses which header sections show and in what order: hidden ones on
// the left, shown ones on the right, buttons to move them across and up or down, dragging within a
// list to reorder.
#pragma once

#include <set>

#include "platform/Forms.h"

class TBevel;
class TExAdvancedListBox;
class TExHeaderSection;
class TExHeaderSections;
class TExPopupButton;
class TLabel;
class TPanel;

class TfrmHeaderSetup : public TForm {
public:
    explicit TfrmHeaderSetup(TComponent* AOwner);

    // Fills the lists from the sections: hidden ones to the left, shown ones to the right, each
    // item carrying its section.
    void LoadHeaderSections(TExHeaderSections* Sections);
    // Puts the shown sections first in the order chosen, then the hidden ones.
    void SaveHeaderSections(TExHeaderSections* Sections);
    void UpdateButtons();

    TPanel* pnlSections;
    TLabel* lblAvailable;
    TLabel* lblVisible;
    TExAdvancedListBox* lbxAvailable;
    TExAdvancedListBox* lbxVisible;
    TExPopupButton* btnAdd;
    TExPopupButton* btnDelete;
    TExPopupButton* btnUp;
    TExPopupButton* btnDown;
    TBevel* bvlSeparator;
    TPanel* pnlButtons;
    TExPopupButton* btnOk;
    TExPopupButton* btnCancel;

protected:
    void FormShow(TObject* Sender);
    void lbxAvailableEnter(TObject* Sender);
    void lbxVisibleEnter(TObject* Sender);
    void btnAddClick(TObject* Sender);
    void btnDeleteClick(TObject* Sender);
    void btnUpClick(TObject* Sender);
    void btnDownClick(TObject* Sender);
    void ListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void lbxAvailableDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
    void lbxVisibleDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
    void ListDragDrop(TObject* Sender, TObject* Source, int X, int Y);

private:
    // Moves the selected item of From to the end of To.
    void MoveAcross(TExAdvancedListBox* From, TExAdvancedListBox* To);
    void EnterList(TExAdvancedListBox* List);
    bool Focused(TExAdvancedListBox* List);

    // The sections that were shown when the lists were filled. A section the user left among the
    // hidden ones keeps its own flag: one hidden only because its parent is collapsed stays shown
    // for when the parent opens.
    std::set<const TExHeaderSection*> FShownAtLoad;
};
