// In-place editing: the editor base with its operation events, the tree's registry of editors by
// field type, and the view's side of ending an edit.
#include "tree/Extreeedit.h"

#include <algorithm>
#include <stdexcept>

#include "ctlbase/Exlist.h"
#include "platform/Forms.h"
#include "platform/Guard.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeres.h"
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
    TGuardPtr<TExTreeInplaceEditor> self(this);
    TCustomExTree* tree = FTree;
    TExTreeItem* item = Item;
    SetEditorParent();
    if (!self) return;
    bool defaultConversion = true;
    TriggerBeforeOperation(defaultConversion);
    // A handler that freed the editor, its tree or the item leaves nothing to edit.
    if (!self || FTree != tree || !FTree || Item != item) return;
    DoStartOperation();
    if (self) FEditing = true;
}

void TExTreeInplaceEditor::CompleteOperation(bool Accepted)
{
    if (FCompleting) return;
    TGuardPtr<TExTreeInplaceEditor> self(this);
    FCompleting = true;
    FEditing = false;
    bool accepted = Accepted;
    bool defaultConversion = true;
    try {
        TriggerAfterOperation(accepted, defaultConversion);
        // Freed by the handler: the view's guard of its editor has already let go of it.
        if (self) DoStopOperation(true);
    } catch (...) {
        if (self) FCompleting = false;
        throw;
    }
    if (!self) return;
    FCompleting = false;
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
    if (!FTree || !FTree->View() || !FTree->View()->CanFocus() || !FTree->CanFocus()) return;
    // An edit ended because the user went to another control leaves the focus there.
    if (TCustomForm* form = GetParentForm(FTree)) {
        TWinControl* active = form->ActiveControl();
        if (active && active != FTree && !FTree->ContainsControl(active)) return;
    }
    FTree->View()->SetFocus();
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

namespace {

// The cell style of Item's column Section (-1 or the main column: the main style); nil without
// styles.
TExCellStyle* EditedStyle(TExTreeView* View, TExTreeItem* Item, Integer Section)
{
    if (!Item->UseStyles()) return nullptr;
    TCustomExTree* tree = View->Tree();
    if (View->Model()->IsVirtual()) {
        TExCellStyle* style = View->VirtualStyle();
        if (style) tree->TriggerVirtualStyleNeeded(Item, Section, style);
        return style;
    }
    const Integer main = tree->MainTreeColumn();
    if (Section == -1 || Section == main) return Item->MainStyle();
    const Integer column = Section > main ? Section - 1 : Section;
    return column < Item->StylesCount() ? Item->Styles(column) : Item->MainStyle();
}

}  // namespace

void TExTreeView::DoEditItem(TExTreeItem* Item, Integer SectionNum)
{
    if (!Item) throw EExTreeError(extree::exInvItem);
    TGuardPtr<TCustomExTree> tree(FTree);
    TGuardPtr<TExTreeItem> item(Item);
    if (FVisibleRows.IndexOf(Item) < 0) FTree->EnsureVisible(Item);
    if (tree && FActiveEditor) DoEndEdit(true);
    if (!tree || !item) return;
    const Integer main = FTree->MainTreeColumn();
    if (FTree->ShowColumns() && SectionNum == -1) SectionNum = main;
    FItemInEdit = Item;
    TExHeaderSection* section = nullptr;
    if (SectionNum != -1) {
        section = FTree->Header()->Sections()->GetSection(SectionNum);
        if (!section || !section->Visible()) {
            FItemInEdit = nullptr;
            return;
        }
    }
    TExFieldType fieldType = FTree->MainTextType();
    if (TExCellStyle* style = EditedStyle(this, Item, SectionNum))
        fieldType = style->CellType();
    else if (section)
        fieldType = section->FieldType();

    bool canEdit = true;
    FTree->TriggerTryEditEvent(Item, SectionNum, fieldType, canEdit);
    if (!tree || !item || !canEdit) return;
    TExTreeInplaceEditor* editor = nullptr;
    FTree->TriggerInplaceEditorNeeded(Item, SectionNum, fieldType, editor);
    if (!tree || !item || !editor) return;

    std::string text;
    if (section && SectionNum != main) {
        const Integer column = SectionNum > main ? SectionNum - 1 : SectionNum;
        if (Model()->IsVirtual()) {
            FTree->TriggerVirtualTextNeeded(Item, SectionNum, text);
        } else if (TStringList* texts = Item->ColumnText(); texts && column < texts->Count()) {
            text = texts->Get(column);
        }
    } else {
        text = Item->Text();
    }
    if (!tree || !item) return;

    TRect r = GetItemRect(FVisibleRows.IndexOf(Item));
    const Integer clientWidth = ClientWidth();
    auto scrollTo = [&](Integer X) {
        const Integer left = FTree->LeftPosition();
        if (left > X || X > left + clientWidth) FTree->SetLeftPosition(X);
    };
    if (section && FTree->ShowColumns()) {
        const bool mainColumn = SectionNum == main;
        if (!FTree->RightAlignedTree()) {
            const Integer x = mainColumn ? Item->TextLeft : section->GetLeft();
            scrollTo(x);
            const Integer left = FTree->LeftPosition();
            r.Left = x - left;
            r.Right = std::min(section->GetRight() - left, clientWidth - 1);
        } else {
            const Integer x = (mainColumn ? Item->TextRight : section->GetRight()) - clientWidth;
            scrollTo(x);
            const Integer left = FTree->LeftPosition();
            r.Right = clientWidth + x - left;
            r.Left = std::max(section->GetLeft() - left, 0);
        }
    } else {
        const Integer left0 = FTree->LeftPosition();
        if (Item->TextLeft < left0 || Item->TextLeft > left0 + Width()) FTree->SetLeftPosition(Item->TextLeft);
        const Integer left = FTree->LeftPosition();
        if (!FTree->RightAlignedTree()) {
            r.Left = Item->TextLeft - left;
            r.Right = clientWidth - 1;
        } else {
            r.Left = 0;
            r.Right = Item->TextRight - left;
        }
    }

    FActiveEditor = editor;
    editor->SetTree(FTree);
    editor->ValueAsText = text;
    editor->Item = Item;
    editor->SectionNum = SectionNum;
    editor->FieldType = fieldType;
    editor->CellRect = r;
    editor->StartOperation();
}

void TExTreeView::DoEndEdit(bool ByCancel)
{
    if (FActiveEditor) FActiveEditor->CompleteOperation(!ByCancel);
}

void TExTreeView::EditOperationCancelled() { FActiveEditor = nullptr; }

void TExTreeView::EditOperationAccepted()
{
    TExTreeInplaceEditor* editor = FActiveEditor.Get();
    FActiveEditor = nullptr;
    TExTreeItem* item = FItemInEdit.Get();
    if (!editor || !item || Model()->IsVirtual()) return;
    const Integer section = editor->SectionNum;
    const Integer main = FTree->MainTreeColumn();
    if (section != -1 && section != main) {
        const Integer column = section > main ? section - 1 : section;
        TStringList* texts = item->ColumnText();
        while (texts->Count() <= column) texts->Add("");
        texts->Put(column, editor->ValueAsText);
    } else {
        item->SetText(editor->ValueAsText);
    }
}

void TExTreeView::ForgetEditedItem(TExTreeItem* Item)
{
    if (!Item || FItemInEdit.Get() != Item) return;
    FItemInEdit = nullptr;
    TExTreeInplaceEditor* editor = FActiveEditor.Get();
    if (!editor) return;
    if (editor->Editing()) {
        DoEndEdit(true);
    } else {
        // Still starting (its before-event deleted the item): the start is called off.
        if (editor->Item == Item) editor->Item = nullptr;
        FActiveEditor = nullptr;
    }
}

void TExTreeView::OnEditTimer(TObject*)
{
    TExTreeItem* item = FEditItem;
    StopEditTimer();
    // The user may have moved on while the timer ran: only the item that still has the focus, in a
    // view that still has the keys, is edited.
    if (FFrameSelecting || !item || item != FocusedItem() || !Focused()) return;
    DoEditItem(item, FEditColumn);
}

void TCustomExTree::EndEdit(bool ByCancel)
{
    if (FView) FView->DoEndEdit(ByCancel);
}

bool TCustomExTree::IsEditing()
{
    return FView && FView->ActiveEditor() && FView->ActiveEditor()->Editing();
}

void TCustomExTree::EditItem(TExTreeItem* Item, Integer SectionNum)
{
    if (!FDoInplaceEdit) return;
    TGuardPtr<TCustomExTree> self(this);
    // A previous editor that fails while it ends must not keep the new edit from starting.
    try {
        EndEdit(true);
    } catch (const std::exception&) {
        // Its editor never called back: the failed edit is forgotten here.
        if (self && FView) FView->EditOperationCancelled();
    }
    if (!self || !FView) return;
    FView->DoEditItem(Item, SectionNum);
}
