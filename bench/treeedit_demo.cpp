// Editing a tree's item in place on a real screen: a window "Tree edit" with a tree of station
// names; F2 edits the focused item's text in a flat edit box over it, Enter keeps the text, Escape
// or leaving the box drops it. Typed letters search the tree. Every accepted text is written to
// the standard output in UTF-8 ("accepted: ..."). With a file name BASE as argument the window's
// picture is saved as BASE.png twice a second.
#include <cstdio>
#include <string>

#include "controls/Exactrls.h"
#include "platform/CodePages.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "tree/Extree.h"

namespace {

// The box is the tree view's child: it goes with the tree.
class TBoxEditor : public TExTreeInplaceEditor {
public:
    explicit TBoxEditor(TComponent* AOwner) : TExTreeInplaceEditor(AOwner) { SetTypes(FieldTypes({sftText})); }
    bool GetVisible() override { return FBox && FBox->Visible(); }

protected:
    void SetEditorParent() override
    {
        if (!FBox) {
            auto* box = new TExAdvancedEdit(nullptr);
            box->SetHandleDialogKeys(true);
            box->SetVisible(false);
            box->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
                if (Key != VK_RETURN && Key != VK_ESCAPE) return;
                const bool accept = Key == VK_RETURN;
                Key = 0;
                if (accept) ValueAsText = FBox->Text();
                CompleteOperation(accept);
            };
            box->OnExit = [this](TObject*) {
                if (Editing()) CompleteOperation(false);
            };
            FBox = box;
        }
        FBox->SetParent(Tree()->View());
    }
    void DoStartOperation() override
    {
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
    TGuardPtr<TExAdvancedEdit> FBox;
};

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    Application->SetTitle("Tree edit");
    auto* form = new TForm(Application);
    form->SetCaption("Tree edit");
    form->SetBounds(40, 60, 360, 300);
    auto* tree = new TExTree(form);
    tree->SetParent(form);
    tree->SetAlign(alClient);
    tree->SetMultiSelect(false);
    tree->SetIncrementalSearch(true);
    tree->Items()->BeginUpdate();
    for (const char* area : {"Baltic", "North Sea", "Biscay"}) {
        TExTreeItem* root = tree->Items()->Add(nullptr, area);
        for (const char* station : {"Station A", "Station B", "Station C"})
            tree->Items()->AddChild(root, std::string(station) + " (" + area + ")");
    }
    tree->Items()->EndUpdate();
    tree->FullExpand();
    auto* editor = new TBoxEditor(form);
    editor->SetTree(tree);
    tree->OnKeyDown = [tree](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F2 && tree->GetFocused()) tree->EditItem(tree->GetFocused(), -1);
    };
    editor->OnAfterOperation = [editor](TObject*, bool& Accepted, bool&) {
        if (!Accepted) return;
        std::printf("accepted: %s\n", CodePageToUtf8(editor->ValueAsText, 1252).c_str());
        std::fflush(stdout);
    };
    form->Show();
    tree->View()->SetFocus();
    tree->SetFocused(tree->Items()->Item(0));

    if (argc > 1) {
        std::string base = argv[1];
        auto* timer = new TTimer(Application);
        timer->SetInterval(500);
        timer->OnTimer = [=](TObject*) { SaveControlImage(form, base + ".png"); };
        timer->SetEnabled(true);
    }
    Application->Run();
    DoneApplication();
    return 0;
}
