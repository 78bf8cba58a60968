#include "ctlbase/Exhook.h"

#include <vector>

#include "ctlbase/Exlist.h"

TExHookList* ExHookList = nullptr;

// What the procedure installed in a control needs: the entry it serves (null once the entry has
// let go of the control) and the procedure the control had before.
struct TCtlHook::TLink {
    TCtlHook* Owner = nullptr;
    TWndMethod Saved;
};

// The procedure installed in a hooked control. When the entry has gone but the procedure could not
// be taken out of the control (someone chained onto it later), it passes every message on.
struct TCtlHook::THookProc {
    std::shared_ptr<TCtlHook::TLink> Link;
    void operator()(TMessage& Message) const;
};

// ---------------------------------------------------------------- TExHook

TExHook::~TExHook()
{
    SetControl(nullptr);
}

bool TExHook::InDesignState() const
{
    return HasState(csDesigning) || (Owner() && Owner()->HasState(csDesigning));
}

void TExHook::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    if (InDesignState() && !FDesignActive) {
        FActive = Value;
        return;
    }
    if (FControl) {
        if (Value) {
            if (!ExHookList)
                ExHookList = new TExHookList;
            ExHookList->Obtain(FControl)->AddHook(this);
        } else if (ExHookList) {
            if (TCtlHook* entry = ExHookList->Find(FControl))
                entry->RemoveHook(this);
        }
    }
    FActive = Value;
}

void TExHook::SetDesignActive(bool Value)
{
    if (Value == FDesignActive)
        return;
    if (!InDesignState()) {
        FDesignActive = Value;
        return;
    }
    // Undone under the old rule, done again under the new one.
    const bool active = FActive;
    SetActive(false);
    FDesignActive = Value;
    SetActive(active);
}

void TExHook::SetControl(TControl* Value)
{
    if (Value == FControl)
        return;
    const bool active = FActive;
    SetActive(false);
    if (FControl)
        FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl) {
        SetActive(active);
        FControl->FreeNotification(this);
    }
}

void TExHook::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl)
        SetControl(nullptr);
}

void TExHook::TriggerBeforeProcessEvent(TMessage& Msg, bool& Handled)
{
    if (OnBeforeProcess)
        OnBeforeProcess(this, Msg, Handled);
}

void TExHook::TriggerAfterProcessEvent(TMessage& Msg, bool& Handled)
{
    if (OnAfterProcess)
        OnAfterProcess(this, Msg, Handled);
}

// ---------------------------------------------------------------- TCtlHook

TCtlHook::TCtlHook(TControl* AControl) : FHooks(new TExList), FControl(AControl) {}

TCtlHook::~TCtlHook()
{
    FDestroying = true;
    delete FHooks;
    FHooks = nullptr;
    Uninstall();
}

bool TCtlHook::Installed() const
{
    if (!FLink || FControl->HasState(csDestroying))
        return false;
    const THookProc* current = FControl->WindowProc.target<THookProc>();
    return current && current->Link == FLink;
}

void TCtlHook::Install()
{
    FLink = std::make_shared<TLink>();
    FLink->Owner = this;
    FLink->Saved = FControl->WindowProc;
    FControl->WindowProc = THookProc{FLink};
}

void TCtlHook::Uninstall()
{
    if (!FLink)
        return;
    // Put back only while our procedure is the control's own: one installed on top of it later
    // chains to ours and would be cut off. Then ours stays in the chain and passes messages on.
    if (Installed())
        FControl->WindowProc = FLink->Saved;
    FLink->Owner = nullptr;
    FLink.reset();
}

void TCtlHook::AddHook(TExHook* Hook)
{
    FHooks->Add(Hook);
    if (!FLink)
        Install();
}

void TCtlHook::RemoveHook(TExHook* Hook)
{
    FHooks->Remove(Hook);
    if (FHooks->Count() > 0 || !FLink)
        return;
    Uninstall();
    if (ExHookList && ExHookList->List()->IndexOf(this) >= 0)
        PostMessage(ExHookList->Handle(), WM_EXHOOK_RELEASE, 0, reinterpret_cast<LPARAM>(this));
}

void TCtlHook::Reinstall()
{
    if (FHooks->Count() == 0 || Installed())
        return;
    if (FLink)
        FLink->Owner = nullptr;
    Install();
}

void TCtlHook::HookWndProc(TMessage& Message)
{
    // Busy until the message is through, also when a handler's error leaves through here: a hook
    // left busy for good is never released, nor the list with it.
    struct TBusy {
        TCtlHook* Hook;
        ~TBusy()
        {
            if (--Hook->FBusy == 0 && Hook->FReleasePending) {
                Hook->FReleasePending = false;
                if (ExHookList && Hook->FHooks->Count() == 0)
                    PostMessage(ExHookList->Handle(), WM_EXHOOK_RELEASE, 0, reinterpret_cast<LPARAM>(Hook));
            }
        }
    } busy{this};
    ++FBusy;
    std::shared_ptr<TLink> link = FLink;
    // Handlers may add or remove hooks: walk a copy, skipping those gone meanwhile.
    std::vector<TExHook*> hooks;
    if (!FDestroying)
        for (Integer i = 0; i < FHooks->Count(); ++i)
            hooks.push_back(static_cast<TExHook*>(FHooks->Get(i)));
    auto stillHooked = [this](TExHook* h) { return FHooks && FHooks->IndexOf(h) >= 0; };

    bool handled = false;
    if (Message.Msg != WM_QUIT)
        for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
            if (stillHooked(*it))
                (*it)->TriggerBeforeProcessEvent(Message, handled);
    if (!handled && link) {
        TWndMethod saved = link->Saved;
        if (saved)
            saved(Message);
    }
    handled = false;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it)
        if (stillHooked(*it))
            (*it)->TriggerAfterProcessEvent(Message, handled);
}

void TCtlHook::THookProc::operator()(TMessage& Message) const
{
    std::shared_ptr<TCtlHook::TLink> link = Link;  // the control may replace us while we run
    if (link->Owner) {
        link->Owner->HookWndProc(Message);
    } else {
        TWndMethod saved = link->Saved;
        if (saved)
            saved(Message);
    }
}

// ---------------------------------------------------------------- TExHookList

TExHookList::TExHookList() : FList(new TExList)
{
    FList->OnDelete = [](TObject*, void* Item) { delete static_cast<TCtlHook*>(Item); };
    FHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TExHookList::~TExHookList()
{
    delete FList;
    DeallocateHWnd(FHandle);
}

TCtlHook* TExHookList::Find(TControl* Control) const
{
    for (Integer i = 0; i < FList->Count(); ++i) {
        auto* entry = static_cast<TCtlHook*>(FList->FastGet(i));
        if (entry->Control() == Control)
            return entry;
    }
    return nullptr;
}

TCtlHook* TExHookList::Obtain(TControl* Control)
{
    TCtlHook* entry = Find(Control);
    if (!entry) {
        entry = new TCtlHook(Control);
        FList->Add(entry);
    }
    return entry;
}

void TExHookList::WndProc(TMessage& Message)
{
    auto* entry = reinterpret_cast<TCtlHook*>(Message.LParam);
    switch (Message.Msg) {
    case WM_EXHOOK_RELEASE: {
        const Integer index = FList->IndexOf(entry);
        if (index < 0 || entry->Hooks()->Count() > 0)
            return;
        if (entry->Busy()) {
            // Freed once the control's message in hand is through.
            entry->FReleasePending = true;
            return;
        }
        FList->Delete(index);
        if (FList->Count() == 0) {
            ExHookList = nullptr;
            delete this;
        }
        return;
    }
    case WM_EXHOOK_REINSTALL:
        if (FList->IndexOf(entry) >= 0)
            entry->Reinstall();
        return;
    case WM_QUERYENDSESSION: Message.Result = 1; return;
    default: Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
    }
}

namespace ctlbase {

void ExhookFinalize()
{
    delete ExHookList;
    ExHookList = nullptr;
}

}  // namespace ctlbase
