#include "extras/Exsndmap.h"

#include "ctlbase/Exini.h"
#include "ctlbase/Extools.h"
#include "extras/Exregutils.h"
#include "platform/MMSystem.h"
#include "platform/SysUtils.h"

namespace {

// Every read or write of one event: the store's current key is opened again afterwards, so a
// shared store is left as its owner had it.
class KeepKey {
public:
    explicit KeepKey(TExIniFile* Store) : FStore(Store), FKey(Store->CurrentKey()) {}
    ~KeepKey()
    {
        try {
            FStore->OpenKey(FKey, false);
        } catch (...) {
            // The store stays usable; nothing to report from here.
        }
    }
    KeepKey(const KeepKey&) = delete;
    KeepKey& operator=(const KeepKey&) = delete;

private:
    TExIniFile* FStore;
    std::string FKey;
};

}  // namespace

TExSoundMap::TExSoundMap(TComponent* AOwner)
    : TExCustomSoundMap(AOwner),
      FSchemes(std::make_unique<TStringList>()),
      FOwnStore(std::make_unique<TExIniFile>(nullptr)),
      FEventKeys(std::make_unique<TStringList>())
{
    FOwnStore->SetPath("\\AppEvents");
    FOwnStore->SetUseRegistry(true);
}

TExSoundMap::~TExSoundMap() = default;

TExIniFile* TExSoundMap::Store() const { return FStorage != nullptr ? FStorage : FOwnStore.get(); }

std::string TExSoundMap::Prefix() const { return FStoragePath + Store()->Delimiter(); }

std::string TExSoundMap::AppKey(const std::string& Key) const { return Prefix() + "Schemes\\Apps\\" + Key; }

std::string TExSoundMap::AppKey() const { return AppKey(FApplicationKey); }

std::string TExSoundMap::EventKey(const std::string& Key) const { return AppKey() + "\\" + Key; }

bool TExSoundMap::HasApp() const { return !FApplicationKey.empty(); }

bool TExSoundMap::IsEvent(const std::string& Key) const
{
    // Only the name of one key below the application's: an empty one would stand for the
    // application's key itself (and the labels key), one with a separator for a key elsewhere
    // ("\Schemes" from the store's root: every application's events). Without an application key
    // the application's key is the one of all applications, and the map has no events at all.
    return HasApp() && !Trim(Key).empty() && Key.find('\\') == std::string::npos &&
           Key.find(Store()->Delimiter()) == std::string::npos;
}

TExIniFile* TExSoundMap::WritableStore() const
{
    // Labels, sound files and the application's name are default values, which only the registry
    // form of a store holds: any other form would drop them.
    TExIniFile* store = Store();
    if (!store->UseRegistry()) throw Exception("The sound map's store must use the registry");
    return store;
}

void TExSoundMap::WriteApplicationName(const std::string& Key, const std::string& Name)
{
    TExIniFile* store = WritableStore();
    KeepKey keep(store);
    if (store->OpenKey(AppKey(Key), true)) store->WriteString("", "", Name);
}

void TExSoundMap::SetApplicationName(const std::string& Value)
{
    if (Value == FApplicationName) return;
    // Without an application key there is no key to write it on yet: setting the key writes it.
    // While loading the store may still change: Loaded writes it.
    if (HasApp() && !HasState(csLoading)) WriteApplicationName(FApplicationKey, Value);
    FApplicationName = Value;
}

void TExSoundMap::SetApplicationKey(const std::string& Value)
{
    if (Value == FApplicationKey) return;
    if (!IsValidKeyName(Value)) throw Exception("Key name contains invalid characters");
    // A form sets the name first: the key being set gets it, and only that key.
    if (!Value.empty() && !FApplicationName.empty() && !HasState(csLoading))
        WriteApplicationName(Value, FApplicationName);
    FApplicationKey = Value;
}

void TExSoundMap::SetScheme(const std::string& Value)
{
    if (Value == FScheme) return;
    if (!IsValidKeyName(Value)) throw Exception("Scheme name contains invalid characters");
    FScheme = Value;
}

void TExSoundMap::SetStoragePath(const std::string& Value)
{
    FStoragePath = Value;
    if (FStorage == nullptr && !HasState(csLoading)) FStoragePath.clear();
}

void TExSoundMap::SetStorage(TExIniFile* Value)
{
    if (Value == FStorage) return;
    if (FStorage != nullptr) FStorage->RemoveFreeNotification(this);
    FStorage = Value;
    if (FStorage != nullptr)
        FStorage->FreeNotification(this);
    else
        FStoragePath.clear();
}

void TExSoundMap::Loaded()
{
    TExCustomSoundMap::Loaded();
    if (FStorage == nullptr) FStoragePath.clear();
    if (HasApp() && !FApplicationName.empty()) WriteApplicationName(FApplicationKey, FApplicationName);
}

void TExSoundMap::Notification(TComponent* AComponent, TOperation Operation)
{
    TExCustomSoundMap::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FStorage) SetStorage(nullptr);
}

TStringList* TExSoundMap::GetSchemes()
{
    FSchemes->Clear();
    Store()->EnumSubKeys(Prefix() + "Schemes\\Schemes", FSchemes.get());
    return FSchemes.get();
}

TStringList* TExSoundMap::GetEventKeys()
{
    FEventKeys->Clear();
    if (HasApp()) Store()->EnumSubKeys(AppKey(), FEventKeys.get());
    return FEventKeys.get();
}

std::string TExSoundMap::GetEventLabels(const std::string& Key)
{
    if (!IsEvent(Key)) return {};
    TExIniFile* store = Store();
    KeepKey keep(store);
    std::string value;
    if (store->OpenKey(Prefix() + "EventLabels\\" + Key, false)) store->ReadString("", "", "", value);
    return value;
}

void TExSoundMap::SetEventLabels(const std::string& Key, const std::string& Value)
{
    if (!IsEvent(Key)) return;
    TExIniFile* store = WritableStore();
    KeepKey keep(store);
    if (store->OpenKey(Prefix() + "EventLabels\\" + Key, true)) store->WriteString("", "", Value);
}

std::string TExSoundMap::GetEventValues(const std::string& Key)
{
    if (!IsEvent(Key)) return {};
    TExIniFile* store = Store();
    KeepKey keep(store);
    std::string value;
    if (store->OpenKey(EventKey(Key) + "\\" + FScheme, false)) store->ReadString("", "", "", value);
    return value;
}

void TExSoundMap::SetEventValues(const std::string& Key, const std::string& Value)
{
    if (!IsEvent(Key)) return;
    TExIniFile* store = WritableStore();
    KeepKey keep(store);
    if (store->OpenKey(EventKey(Key) + "\\" + FScheme, true)) store->WriteString("", "", Value);
}

bool TExSoundMap::GetEnabled(const std::string& Key)
{
    if (!IsEvent(Key)) return true;
    TExIniFile* store = Store();
    KeepKey keep(store);
    bool disabled = false;
    if (store->OpenKey(EventKey(Key), false)) store->ReadBool("", "Disabled", false, disabled);
    return !disabled;
}

void TExSoundMap::SetEnabled(const std::string& Key, bool Value)
{
    if (!IsEvent(Key)) return;
    TExIniFile* store = Store();
    KeepKey keep(store);
    if (store->OpenKey(EventKey(Key), true)) store->WriteBool("", "Disabled", !Value);
}

void TExSoundMap::Add(const std::string& Key, const std::string& Label, const std::string& SoundFile, bool Enabled)
{
    if (!IsEvent(Key)) return;
    TExIniFile* store = WritableStore();
    {
        KeepKey keep(store);
        if (!store->OpenKey(EventKey(Key), true)) return;
    }
    SetEventLabels(Key, Label);
    SetEventValues(Key, SoundFile);
    SetEnabled(Key, Enabled);
}

void TExSoundMap::Delete(const std::string& Key)
{
    if (!IsEvent(Key)) return;
    TExIniFile* store = Store();
    KeepKey keep(store);
    if (store->OpenKey(AppKey(), true)) store->Delete(Key, "");
    if (store->OpenKey(Prefix() + "EventLabels", false)) store->Delete(Key, "");
}

void TExSoundMap::Play(const std::string& Key)
{
    if (Mute) return;
    const std::string file = Trim(GetEventValues(Key));
    if (!file.empty() && GetEnabled(Key)) PlaySound(file.c_str(), 0, SND_ASYNC);
}
