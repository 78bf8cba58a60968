// The object model: class names, assignment, components with their owner, names and free
// notifications.
#include "platform/Classes.h"

#include <cxxabi.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

// ---------------------------------------------------------------- TObject

std::string TObject::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

// ---------------------------------------------------------------- TPersistent

void TPersistent::Assign(TPersistent* Source)
{
    if (Source != nullptr) {
        Source->AssignTo(this);
        return;
    }
    AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    const std::string src = ClassName();
    const std::string dst = Dest ? Dest->ClassName() : std::string("nil");
    throw EConvertError(Format(SysMsg::AssignError, src.c_str(), dst.c_str()));
}

// ---------------------------------------------------------------- TComponent

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Those that asked to hear of our removal; each may unregister others while we walk.
    while (!FFreeNotifies.empty()) {
        TComponent* c = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        c->RemoveFreeNotification(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(Format(SysMsg::ListIndexError, Index));
    return FComponents[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const
{
    if (FOwner == nullptr) return -1;
    const auto& list = FOwner->FComponents;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& AName) const
{
    if (AName.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, AName)) return c;
    return nullptr;
}

void TComponent::SetName(const std::string& NewName)
{
    if (FName == NewName) return;
    if (!NewName.empty() && FOwner != nullptr) {
        TComponent* other = FOwner->FindComponent(NewName);
        if (other != nullptr && other != this)
            throw EComponentError(Format("A component named %s already exists", NewName.c_str()));
    }
    FName = NewName;
}

void TComponent::Insert(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent)
{
    const auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it != FComponents.end()) FComponents.erase(it);
    AComponent->FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (AComponent->FOwner != nullptr) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        Remove(c);
        c->BeforeDestruction();
        delete c;
    }
}

void TComponent::Destroying()
{
    if (HasState(csDestroying)) return;
    FComponentState |= csDestroying;
    ClearGuards();
    for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
    FComponentState |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    auto drop = [](std::vector<TComponent*>& v, TComponent* c) {
        v.erase(std::remove(v.begin(), v.end(), c), v.end());
    };
    drop(FFreeNotifies, AComponent);
    drop(AComponent->FFreeNotifies, this);
}

void TComponent::SetState(TComponentStateFlag f, bool on)
{
    if (on) FComponentState |= f;
    else FComponentState &= ~static_cast<unsigned>(f);
}

void TComponent::Loaded()
{
    SetState(csLoading, false);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
    // A handler may remove components; walk by index from the end and re-check the bound.
    for (size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size()) continue;
        FComponents[i]->Notification(AComponent, Operation);
    }
}
