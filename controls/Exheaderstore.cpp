// The header's column layout in a settings store: its width and, per section Index, visibility,
// expansion, width and sort mark.
#include <algorithm>
#include <cstdint>

#include "controls/Exheader.h"
#include "ctlbase/Exini.h"

namespace {

std::string HeaderKey(TExIniFile* Store, const std::string& Path) { return Path + Store->Delimiter() + "ExHeader"; }

std::string SectionKey(Integer Index) { return "Section" + IntToStr(Index); }

// Puts the store back on the key it was on, whatever happens in between.
class TKeyKeeper {
public:
    explicit TKeyKeeper(TExIniFile* Store) : FStore(Store), FKey(Store->CurrentKey()) {}
    ~TKeyKeeper() { FStore->OpenKey(FKey, false); }
    TKeyKeeper(const TKeyKeeper&) = delete;
    TKeyKeeper& operator=(const TKeyKeeper&) = delete;

private:
    TExIniFile* FStore;
    std::string FKey;
};

}  // namespace

void TCustomExHeader::Save()
{
    TExIniFile* store = FStorage;
    if (!store)
        return;
    TKeyKeeper keep(store);
    if (!store->OpenKey(HeaderKey(store, FStoragePath), true))
        return;
    store->WriteInteger("", "Width", Width());
    for (Integer n = 0; n < FSections->GetCount(); ++n) {
        const TExHeaderSection* s = FSections->FindSection(n);
        if (!s)
            continue;
        const std::string key = SectionKey(n);
        store->WriteBool(key, "Visible", s->FVisible);
        store->WriteBool(key, "Expanded", s->FExpanded);
        store->WriteInteger(key, "Width", s->FWidth);
        store->WriteInteger(key, "SortOrder", s->FSortMode);
    }
}

void TCustomExHeader::Restore()
{
    TExIniFile* store = FStorage;
    if (!store)
        return;
    ++FRestoreCount;
    try {
        TKeyKeeper keep(store);
        if (store->OpenKey(HeaderKey(store, FStoragePath), false)) {
            Integer savedWidth = 0;
            store->ReadInteger("", "Width", Width(), savedWidth);
            for (Integer n = 0; n < FSections->GetCount(); ++n) {
                TExHeaderSection* s = FSections->FindSection(n);
                if (!s)
                    continue;
                const std::string key = SectionKey(n);
                // Through the setter, so that the owner hears of it and the header lays out anew.
                bool visible = s->FVisible;
                store->ReadBool(key, "Visible", s->FVisible, visible);
                s->SetVisible(visible);
                bool expanded = false;
                if (store->ReadBool(key, "Expanded", s->FExpanded, expanded))
                    s->SetExpanded(expanded);
                Integer width = 0;
                if (store->ReadInteger(key, "Width", s->FWidth, width)) {
                    // A stored header width of 0 or below gives no scale: the width is taken as it is.
                    if (s->FResizable && FStickySections && savedWidth > 0)
                        width = static_cast<Integer>(
                            std::clamp<Int64>(Int64(width) * Width() / savedWidth, INT32_MIN, INT32_MAX));
                    s->SetWidth(width);
                }
                Integer sort = 0;
                if (store->ReadInteger(key, "SortOrder", s->FSortMode, sort) && sort >= hsmNone && sort <= hsmDescend)
                    s->SetSortMode(TExSSortMode(sort));
            }
        }
    } catch (...) {
        --FRestoreCount;
        throw;
    }
    --FRestoreCount;
    const bool sticky = FStickySections;
    FStickySections = false;
    SetStickySections(sticky);
}
