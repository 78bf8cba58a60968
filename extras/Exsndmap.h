// TExSoundMap: named sound events of one application, kept in the registry's sound-event layout
// below "\AppEvents" (or below a path of an external settings store): per event a sound file for
// each sound scheme, a display label and an enabled flag. Buttons play their sounds through it.
#pragma once

#include <memory>
#include <string>

#include "controls/Exsoundmapbase.h"
#include "platform/Classes.h"

class TExIniFile;
class TStringList;

// A sound event's name as the buttons keep it: at most 255 characters.
using TExSoundName = std::string;

class TExSoundMap : public TExCustomSoundMap {
public:
    explicit TExSoundMap(TComponent* AOwner);
    ~TExSoundMap() override;

    // ---- published properties
    bool Mute = false;
    const std::string& ApplicationName() const { return FApplicationName; }
    // Also writes the name as the default value of the application's key, when there is one.
    void SetApplicationName(const std::string& Value);
    const std::string& ApplicationKey() const { return FApplicationKey; }
    // Raises "Key name contains invalid characters" for a name IsValidKeyName refuses. A name set
    // before is written as the default value of the new key (of that key only).
    void SetApplicationKey(const std::string& Value);
    const std::string& Scheme() const { return FScheme; }
    // Raises "Scheme name contains invalid characters" for a name IsValidKeyName refuses.
    void SetScheme(const std::string& Value);
    const std::string& StoragePath() const { return FStoragePath; }
    // Kept only while an external store is assigned.
    void SetStoragePath(const std::string& Value);
    TExIniFile* Storage() const { return FStorage; }
    void SetStorage(TExIniFile* Value);

    // The scheme names and the application's event keys, read anew; the lists stay the map's.
    TStringList* GetSchemes();
    TStringList* GetEventKeys();

    // Per event: its label, its sound file in the current scheme, whether it plays.
    std::string GetEventLabels(const std::string& Key);
    void SetEventLabels(const std::string& Key, const std::string& Value);
    std::string GetEventValues(const std::string& Key);
    void SetEventValues(const std::string& Key, const std::string& Value);
    bool GetEnabled(const std::string& Key);
    void SetEnabled(const std::string& Key, bool Value);

    // An event is one key below the application's: without an ApplicationKey, or for a name that is
    // empty or holds a separator, the readers answer their defaults and the writers do nothing.
    // Labels, sound files and the application's name are default values: writing them through an
    // external store that is not in registry mode raises, and nothing is written.
    void Add(const std::string& Key, const std::string& Label, const std::string& SoundFile, bool Enabled);
    void Delete(const std::string& Key);
    // Starts the event's sound and returns at once; nothing when muted, disabled or without a file.
    void Play(const std::string& Key) override;

    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TExIniFile* Store() const;
    // P of the layout: the storage path and the store's separator.
    std::string Prefix() const;
    std::string AppKey() const;
    std::string AppKey(const std::string& Key) const;
    std::string EventKey(const std::string& Key) const;
    bool HasApp() const;
    // Whether Key names an event of the application's own.
    bool IsEvent(const std::string& Key) const;
    // The active store, or an exception when it cannot hold what the map writes.
    TExIniFile* WritableStore() const;
    // The application's name as the default value of the key of application Key.
    void WriteApplicationName(const std::string& Key, const std::string& Name);

    std::unique_ptr<TStringList> FSchemes;
    TExIniFile* FStorage = nullptr;
    std::string FStoragePath;
    std::string FScheme = ".current";
    std::string FApplicationKey;
    std::string FApplicationName;
    std::unique_ptr<TExIniFile> FOwnStore;
    std::unique_ptr<TStringList> FEventKeys;
};
