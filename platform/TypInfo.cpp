#include "platform/TypInfo.h"

#include <algorithm>

namespace {

struct ClassRegistry {
    std::vector<const TClassInfo*> Classes;
    std::vector<std::unique_ptr<TClassInfo>> Kept;
};

ClassRegistry& Registry()
{
    static ClassRegistry r;
    return r;
}

int Depth(const TClassInfo* Info)
{
    int d = 0;
    for (; Info != nullptr; Info = Info->Parent) ++d;
    return d;
}

}  // namespace

void RegisterClass(const TClassInfo* Info)
{
    if (Info == nullptr) return;
    auto& list = Registry().Classes;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const TClassInfo* c) { return c == Info || SameText(c->Name, Info->Name); }),
               list.end());
    list.push_back(Info);
}

const TClassInfo* RegisterClass(std::unique_ptr<TClassInfo> Info)
{
    const TClassInfo* info = Info.get();
    Registry().Kept.push_back(std::move(Info));
    RegisterClass(info);
    return info;
}

void UnRegisterClass(const TClassInfo* Info)
{
    auto& list = Registry().Classes;
    list.erase(std::remove(list.begin(), list.end(), Info), list.end());
}

const TClassInfo* GetClass(const std::string& Name)
{
    for (const TClassInfo* c : Registry().Classes)
        if (SameText(c->Name, Name)) return c;
    return nullptr;
}

const TClassInfo* ClassInfoOf(const TObject* Object)
{
    if (Object == nullptr) return nullptr;
    const TClassInfo* best = nullptr;
    int bestDepth = 0;
    for (const TClassInfo* c : Registry().Classes) {
        if (!c->IsInstance || !c->IsInstance(Object)) continue;
        const int d = Depth(c);
        if (d > bestDepth) {
            best = c;
            bestDepth = d;
        }
    }
    return best;
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo* Info)
{
    std::vector<const TClassInfo*> chain;
    for (; Info != nullptr; Info = Info->Parent) chain.push_back(Info);
    std::vector<const TPropInfo*> props;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Props) props.push_back(&p);
    return props;
}

bool InheritsFrom(const TClassInfo* Info, const TClassInfo* Ancestor)
{
    for (; Info != nullptr; Info = Info->Parent)
        if (Info == Ancestor) return true;
    return false;
}
