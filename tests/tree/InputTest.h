// A tree on a shown form with the focus in its view, for tests that drive it through the toolkit's
// own key and mouse events; and an in-place editor over the flat edit box that takes Enter,
// Escape and leaving the edit as a user expects.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/Exactrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "platform/Input.h"
#include "tests/support/UiTest.h"
#include "tree/Extree.h"

// Edits a cell in a flat edit box placed over it: Enter accepts, Escape and leaving the box cancel.
class TBoxEditor : public TExTreeInplaceEditor {
public:
    explicit TBoxEditor(TComponent* AOwner) : TExTreeInplaceEditor(AOwner) { SetTypes(FieldTypes({sftText})); }
    ~TBoxEditor() override
    {
        if (TExAdvancedEdit* box = FBox.Get()) delete box;
    }
    TExAdvancedEdit* Box() const { return FBox.Get(); }
    bool GetVisible() override { return FBox && FBox->Visible() && FBox->Parent(); }
    std::vector<std::string> Log;

protected:
    void SetEditorParent() override
    {
        if (!FBox) {
            auto* box = new TExAdvancedEdit(nullptr);
            box->SetHandleDialogKeys(true);
            box->SetVisible(false);
            box->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
                if (Key == VK_RETURN || Key == VK_ESCAPE) {
                    const bool accept = Key == VK_RETURN;
                    Key = 0;
                    Finish(accept);
                }
            };
            box->OnExit = [this](TObject*) {
                if (Editing()) Finish(false);
            };
            FBox = box;
        }
        FBox->SetParent(Tree()->View());
    }
    void DoStartOperation() override
    {
        Log.push_back("start " + ValueAsText);
        FBox->SetBoundsRect(CellRect);
        FBox->SetText(ValueAsText);
        FBox->Show();
        FBox->SetFocus();
        FBox->SelectAll();
    }
    void DoStopOperation(bool Accepted) override
    {
        if (FBox) FBox->Hide();
        TExTreeInplaceEditor::DoStopOperation(Accepted);
    }

private:
    void Finish(bool Accept)
    {
        Log.push_back(Accept ? "accept " + FBox->Text() : "cancel");
        if (Accept) ValueAsText = FBox->Text();
        CompleteOperation(Accept);
    }
    TGuardPtr<TExAdvancedEdit> FBox;
};

class InputTest : public ::testing::Test {
protected:
    TForm* Form = new TForm(nullptr);
    TExTree* Tree = new TExTree(Form);
    // OnAfterSelectionChange and OnDblClick calls, in order.
    std::vector<std::string> Events;

    InputTest()
    {
        Form->SetBounds(40, 40, 520, 420);
        Tree->SetParent(Form);
        Tree->SetUseXPThemes(false);
        Tree->SetBounds(10, 10, 300, 200);
        Form->AfterConstruction();
        Tree->OnAfterSelectionChange = [this](TObject* Sender) {
            EXPECT_EQ(Sender, Tree);
            Events.push_back("after");
        };
        Tree->OnDblClick = [this](TObject*) { Events.push_back("dblclick"); };
        Form->Show();
        uitest::Pump();
        Tree->View()->SetFocus();
        uitest::Pump();
    }
    ~InputTest() override
    {
        TObject::Free(Form);
        uitest::Pump();
    }

    TExTreeItems& Items() const { return *Tree->Items(); }
    TExTreeView* View() const { return Tree->View(); }
    TExTreeItem* Focused() const { return Tree->GetFocused(); }
    // Root items named Prefix0, Prefix1, ... inside one bracket.
    std::vector<TExTreeItem*> AddRoots(Integer Count, const std::string& Prefix = "r")
    {
        std::vector<TExTreeItem*> r;
        Items().BeginUpdate();
        for (Integer i = 0; i < Count; ++i) r.push_back(Items().Add(nullptr, Prefix + std::to_string(i)));
        Items().EndUpdate();
        return r;
    }
    std::vector<TExTreeItem*> AddChildren(TExTreeItem* Parent, Integer Count)
    {
        std::vector<TExTreeItem*> r;
        Items().BeginUpdate();
        for (Integer i = 0; i < Count; ++i) r.push_back(Items().AddChild(Parent, Parent->Text() + "." + std::to_string(i)));
        Items().EndUpdate();
        return r;
    }
    void Key(Word K, TShiftState Shift = 0)
    {
        Input::PressKey(K, Shift);
        uitest::Pump();
    }
    // The texts of the selected items in tree order.
    std::vector<std::string> SelectedTexts() const
    {
        std::vector<std::string> r;
        for (Integer i = 0; i < Items().Count(); ++i)
            if (Items().Item(i)->Selected()) r.push_back(Items().Item(i)->Text());
        return r;
    }
    Integer AfterCount() const
    {
        Integer n = 0;
        for (const std::string& e : Events) n += e == "after";
        return n;
    }
};
