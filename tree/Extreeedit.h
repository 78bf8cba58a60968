// In-place editing: TExTreeInplaceEditor, the base of the editor components that edit a cell in
// place for a tree, and TExTreeInplaceManager, the tree's registry that picks the editor for a
// field type. The editing flow itself (starting, placing, accepting) is the view's.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/Exheadertypes.h"
#include "platform/Classes.h"
#include "platform/Types.h"

class TCustomExTree;
class TExList;
class TExTreeItem;

// A set over TExFieldType: bit n stands for the type of ordinal n.
using TExFieldTypes = std::uint32_t;
constexpr TExFieldTypes FieldTypes(std::initializer_list<TExFieldType> Types)
{
    TExFieldTypes set = 0;
    for (TExFieldType t : Types) set |= TExFieldTypes(1) << t;
    return set;
}

using TExEditorOperationEvent = std::function<void(TObject* Sender, bool& DefaultConversion)>;
using TExEditorAfterOperationEvent = std::function<void(TObject* Sender, bool& Accepted, bool& DefaultConversion)>;
using TExEditorValidateEvent = std::function<void(TObject* Sender, bool& InputValid)>;

class TExTreeInplaceEditor : public TComponent {
public:
    explicit TExTreeInplaceEditor(TComponent* AOwner);
    // Leaves its tree's registry.
    ~TExTreeInplaceEditor() override;

    TCustomExTree* Tree() const { return FTree; }
    // Unregisters from the old tree's manager and registers with the new one's.
    void SetTree(TCustomExTree* Value);
    TExFieldTypes Types() const { return FTypes; }
    void SetTypes(TExFieldTypes Value) { FTypes = Value; }
    // Types of 16 and above never match.
    bool CanEdit(Integer Type) const { return Type >= 0 && Type < 16 && (FTypes >> Type & 1) != 0; }
    const std::string& DefaultValueAsText() const { return FDefaultValueAsText; }
    void SetDefaultValueAsText(const std::string& Value) { FDefaultValueAsText = Value; }

    TExEditorOperationEvent OnBeforeOperation;
    TExEditorAfterOperationEvent OnAfterOperation;
    TExEditorValidateEvent OnValidateResult;

    // The running operation, filled by the view's editing flow.
    bool Editing() const { return FEditing; }
    std::string ValueAsText;
    TExTreeItem* Item = nullptr;
    Integer SectionNum = -1;
    TExFieldType FieldType = sftText;
    TRect CellRect{};

    virtual bool GetVisible() = 0;
    virtual void SetEditorParent() {}
    virtual void StartOperation();
    virtual void CompleteOperation(bool Accepted);
    virtual void TriggerBeforeOperation(bool& DefaultConversion);
    virtual void TriggerAfterOperation(bool& Accepted, bool& DefaultConversion);
    virtual void TriggerValidateResult(bool& InputValid);

protected:
    virtual void DoStartOperation() = 0;
    virtual void DoStopOperation(bool Accepted);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TCustomExTree* FTree = nullptr;
    TExFieldTypes FTypes = 0;
    std::string FDefaultValueAsText;
    bool FEditing = false;
    // Set while CompleteOperation runs: a tree freed by its handler ends the edit only once.
    bool FCompleting = false;
};

class TExTreeInplaceManager : public TComponent {
public:
    explicit TExTreeInplaceManager(TComponent* AOwner);
    ~TExTreeInplaceManager() override;

    // Once: a second registration of the same editor changes nothing.
    void RegisterEditor(TExTreeInplaceEditor* Editor);
    void UnregisterEditor(TExTreeInplaceEditor* Editor);
    // The first registered editor that takes FieldType; nil when none does.
    TExTreeInplaceEditor* GetSuitableEditor(TExFieldType FieldType);
    Integer EditorCount() const;
    TExTreeInplaceEditor* Editor(Integer Index) const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TExList> FEditors;
};
