// Window hooks: any number of TExHook components watch and intercept the messages of one control
// by chaining into its window procedure. One registry keeps a TCtlHook per hooked control, with a
// hidden utility window for the work that must wait until no message of that control is being
// handled (releasing an entry, putting a hook procedure back).
#pragma once

#include <functional>
#include <memory>

#include "platform/Controls.h"

class TExList;
class TCtlHook;

using TExHookEvent = std::function<void(TObject* Sender, TMessage& Msg, bool& Handled)>;

class TExHook : public TComponent {
public:
    using TComponent::TComponent;
    ~TExHook() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // Whether the hook works while it or its owner is being designed.
    bool DesignActive() const { return FDesignActive; }
    void SetDesignActive(bool Value);
    TControl* Control() const { return FControl; }
    void SetControl(TControl* Value);
    void HookControl(TControl*) {}

    // Before: the later-added hook hears each message first, and Handled keeps the message from
    // the hooks added before it and from the control. After: the control has handled it.
    TExHookEvent OnBeforeProcess;
    TExHookEvent OnAfterProcess;
    virtual void TriggerBeforeProcessEvent(TMessage& Msg, bool& Handled);
    virtual void TriggerAfterProcessEvent(TMessage& Msg, bool& Handled);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool InDesignState() const;

    bool FActive = false;
    bool FDesignActive = false;
    TControl* FControl = nullptr;
};

// Posted to the registry's window with a TCtlHook in LParam: release the entry when it has no
// hooks left (and the registry when it is then empty) / install the entry's procedure again.
constexpr UINT WM_EXHOOK_RELEASE = 0x473;
constexpr UINT WM_EXHOOK_REINSTALL = 0x474;

// One hooked control: its hooks, in the order added, and the window procedure it had before.
class TCtlHook : public TObject {
public:
    explicit TCtlHook(TControl* AControl);
    ~TCtlHook() override;

    TControl* Control() const { return FControl; }
    TExList* Hooks() const { return FHooks; }
    // True while the hook procedure sits in the control's window procedure.
    bool Installed() const;
    // Appends the hook; the first one saves the control's procedure and installs the hook's.
    void AddHook(TExHook* Hook);
    // Removes the hook; with none left the control gets its procedure back, and the registry is
    // asked to release this entry once no message of the control is being handled.
    void RemoveHook(TExHook* Hook);
    // Saves the control's current procedure and installs the hook's again (nothing when it is
    // already the current one).
    void Reinstall();
    // A message of the control is being handled through this entry.
    bool Busy() const { return FBusy > 0; }

    struct TLink;

private:
    struct THookProc;
    void HookWndProc(TMessage& Message);
    void Install();
    void Uninstall();

    TExList* FHooks;
    TControl* FControl;
    std::shared_ptr<TLink> FLink;  // shared with the procedure installed in the control
    bool FDestroying = false;
    int FBusy = 0;
    bool FReleasePending = false;
    friend class TExHookList;
};

// The registry of hooked controls. Its entries are freed as they leave the list.
class TExHookList : public TObject {
public:
    TExHookList();
    ~TExHookList() override;

    TCtlHook* Find(TControl* Control) const;
    // The control's entry, made and registered when there is none.
    TCtlHook* Obtain(TControl* Control);
    TExList* List() const { return FList; }
    HWND Handle() const { return FHandle; }

private:
    void WndProc(TMessage& Message);

    TExList* FList;
    HWND FHandle;
};

// The one registry: made by the first hook that becomes active, freed when it has emptied.
extern TExHookList* ExHookList;

namespace ctlbase {
// The unit's end: frees the registry (every hooked control gets its procedure back).
void ExhookFinalize();
}  // namespace ctlbase
