// In-place editing: the editor base with its operation events, the tree's registry of editors by
// field type, and the view's side of ending an edit.
#include "tree/Extreeedit.h"

#include <stdexcept>

#include "ctlbase/Exlist.h"
#include "tree/Extreectl.h"
#include "tree/Extreeview.h"

// ---------------------------------------------------------------- the editor

TExTreeInplaceEditor::TExTreeInplaceEditor(TComponent* AOwner) : TComponent(AOwner) {}

TExTreeInplaceEditor::~TExTreeInplaceEditor()
{
    if (FTree) {
        if (TExTreeInplaceManager* manager = FTree->InplaceManager()) manager->UnregisterEditor(this);
        FTree->RemoveFreeNotification(this);
    }
}

void TExTreeInplaceEditor::SetTree(TCustomExTree* Value)
{
    if (FTree == Value) return;
    if (FTree) {
        if (GetVisible()) CompleteOperation(false);
        if (TExTreeInplaceManager* manager = FTree->InplaceManager()) manager->UnregisterEditor(this);
        FTree->RemoveFreeNotification(this);
    }
    FTree = Value;
    if (FTree) {
        FTree->FreeNotification(this);
        FTree->InplaceManager()->RegisterEditor(this);
    }
}

void TExTreeInplaceEditor::StartOperation()
{
    SetEditorParent();
    bool defaultConversion = true;
    TriggerBeforeOperation(defaultConversion);
    DoStartOperation();
    FEditing = true;
}

void TExTreeInplaceEditor::CompleteOperation(bool Accepted)
{
    FEditing = false;
    bool accepted = Accepted;
    bool defaultConversion = true;
    TriggerAfterOperation(accepted, defaultConversion);
    DoStopOperation(true);
    // The handler's answer does not change what happens to the value.
    if (FTree && FTree->View()) {
        if (Accepted)
            FTree->View()->EditOperationAccepted();
        else
            FTree->View()->EditOperationCancelled();
    }
}

void TExTreeInplaceEditor::TriggerBeforeOperation(bool& DefaultConversion)
{
    DefaultConversion = true;
    if (OnBeforeOperation) OnBeforeOperation(this, DefaultConversion);
    if (DefaultConversion && ValueAsText.empty()) ValueAsText = FDefaultValueAsText;
}

void TExTreeInplaceEditor::TriggerAfterOperation(bool& Accepted, bool& DefaultConversion)
{
    DefaultConversion = true;
    if (OnAfterOperation) OnAfterOperation(this, Accepted, DefaultConversion);
}

void TExTreeInplaceEditor::TriggerValidateResult(bool& InputValid)
{
    if (OnValidateResult) OnValidateResult(this, InputValid);
}

void TExTreeInplaceEditor::DoStopOperation(bool)
{
    if (FTree && FTree->View() && FTree->View()->CanFocus() && FTree->CanFocus()) FTree->View()->SetFocus();
}

void TExTreeInplaceEditor::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !FTree) return;
    if (AComponent == FTree) {
        // The tree is going: its registry goes with it, so only the reference is dropped.
        FTree = nullptr;
    } else if (AComponent == FTree->InplaceManager()) {
        if (GetVisible()) CompleteOperation(false);
        FTree->RemoveFreeNotification(this);
        FTree = nullptr;
    }
}

// ---------------------------------------------------------------- the registry

TExTreeInplaceManager::TExTreeInplaceManager(TComponent* AOwner)
    : TComponent(AOwner), FEditors(std::make_unique<TExList>())
{
}

// Registered editors hear of this registry's going through the free notification.
TExTreeInplaceManager::~TExTreeInplaceManager() = default;

void TExTreeInplaceManager::RegisterEditor(TExTreeInplaceEditor* Editor)
{
    if (!Editor || FEditors->IndexOf(Editor) >= 0) return;
    FEditors->Add(Editor);
    Editor->FreeNotification(this);
}

void TExTreeInplaceManager::UnregisterEditor(TExTreeInplaceEditor* Editor)
{
    if (FEditors->Remove(Editor) >= 0) Editor->RemoveFreeNotification(this);
}

TExTreeInplaceEditor* TExTreeInplaceManager::GetSuitableEditor(TExFieldType FieldType)
{
    for (Integer i = 0; i < FEditors->Count(); ++i) {
        auto* editor = static_cast<TExTreeInplaceEditor*>(FEditors->Get(i));
        if (editor->CanEdit(FieldType)) return editor;
    }
    return nullptr;
}

Integer TExTreeInplaceManager::EditorCount() const { return FEditors->Count(); }

TExTreeInplaceEditor* TExTreeInplaceManager::Editor(Integer Index) const
{
    return static_cast<TExTreeInplaceEditor*>(FEditors->Get(Index));
}

void TExTreeInplaceManager::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) FEditors->Remove(AComponent);
}

// ---------------------------------------------------------------- the view's side

void TExTreeView::DoEndEdit(bool ByCancel)
{
    if (FActiveEditor) FActiveEditor->CompleteOperation(!ByCancel);
}

void TExTreeView::EditOperationCancelled() { FActiveEditor = nullptr; }

void TExTreeView::EditOperationAccepted()
{
    TExTreeInplaceEditor* editor = FActiveEditor;
    FActiveEditor = nullptr;
    if (!editor || !FItemInEdit || Model()->IsVirtual()) return;
    const Integer section = editor->SectionNum;
    const Integer main = FTree->MainTreeColumn();
    if (section != -1 && section != main) {
        const Integer column = section > main ? section - 1 : section;
        TStringList* texts = FItemInEdit->ColumnText();
        while (texts->Count() <= column) texts->Add("");
        texts->Put(column, editor->ValueAsText);
    } else {
        FItemInEdit->SetText(editor->ValueAsText);
    }
}

void TCustomExTree::EndEdit(bool ByCancel)
{
    if (FView) FView->DoEndEdit(ByCancel);
}

bool TCustomExTree::IsEditing()
{
    return FView && FView->ActiveEditor() && FView->ActiveEditor()->Editing();
}

// Starting an edit (choosing, placing and starting the editor) is not built yet.
void TExTreeView::DoEditItem(TExTreeItem*, Integer) { throw std::logic_error("TExTreeView::DoEditItem is not built"); }

void TCustomExTree::EditItem(TExTreeItem*, Integer) { throw std::logic_error("TCustomExTree::EditItem is not built"); }
