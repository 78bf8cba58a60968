// The sound map over a registry file: events registered, labelled, enabled and played through the
// real output path, an ALSA device that writes what is played to a raw file.
#include "extras/Exsndmap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ctlbase/Exini.h"
#include "platform/MMSystem.h"
#include "platform/Registry.h"
#include "tests/platform/ScratchDir.h"

namespace {

using namespace std::chrono_literals;

std::string u16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string u32(std::uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); }

// Samples of a 16-bit mono sound at 8 kHz.
std::string Samples(std::size_t frames, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(2 * frames, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string Wave(const std::string& pcm)
{
    const std::string fmt = u16(1) + u16(1) + u32(8000) + u32(16000) + u16(2) + u16(16);
    const std::string body = "WAVEfmt " + u32(16) + fmt + "data" + u32(std::uint32_t(pcm.size())) + pcm;
    return "RIFF" + u32(std::uint32_t(body.size())) + body;
}

// A registry value read directly, as another program reading the sound-event layout would.
bool RegText(const std::string& key, const std::string& name, std::string& text, DWORD* type = nullptr)
{
    HKEY k = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    std::vector<Byte> data;
    DWORD t = 0;
    const bool ok = RegQueryValueEx(k, name, &t, &data) == ERROR_SUCCESS;
    RegCloseKey(k);
    if (type) *type = t;
    text.assign(data.begin(), data.end());
    if (t == REG_SZ && !text.empty() && text.back() == '\0') text.pop_back();
    return ok;
}

bool RegKeyExists(const std::string& key)
{
    HKEY k = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

class SoundMap : public ScratchDir {
protected:
    static void SetUpTestSuite()
    {
        // Read once per process by the sound libraries, so set before anything opens a device.
        setenv("ALSA_CONFIG_PATH", MORVIK_TEST_DATA_DIR "/alsa/playback.conf", 1);
    }

    void SetUp() override
    {
        ScratchDir::SetUp();
        setenv("MORVIK_TEST_OUTFILE", Path("out.raw").c_str(), 1);
        platform::RegistryUseFile(Path("registry"));
        map = std::make_unique<TExSoundMap>(nullptr);
        map->SetApplicationKey("Morvik");
    }

    void TearDown() override
    {
        PlaySoundA(nullptr, nullptr, 0);
        map.reset();
        platform::RegistryUseMemory();
        ScratchDir::TearDown();
    }

    // What the device wrote once Count bytes are there or 10 s have gone by.
    std::string PlayedAtLeast(std::size_t count)
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        std::string out;
        while ((out = Get("out.raw")).size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        return out;
    }

    // Whether Play opened the device at all: stopping waits until a started sound has let go of it.
    bool NothingPlayed()
    {
        PlaySoundA(nullptr, nullptr, 0);
        return !std::filesystem::exists(Path("out.raw"));
    }

    std::unique_ptr<TExSoundMap> map;
};

TEST_F(SoundMap, RegistersAnEventInTheSoundEventLayout)
{
    map->SetApplicationName("Morvik receiver");
    map->Add("Click", "Button click", "C:\\Sounds\\click.wav", true);
    ASSERT_TRUE(platform::RegistryFlush());
    platform::RegistryUseFile(Path("registry"));
    map = std::make_unique<TExSoundMap>(nullptr);
    map->SetApplicationKey("Morvik");

    std::string text;
    DWORD type = 0;
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik", "", text));
    EXPECT_EQ(text, "Morvik receiver");
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik\\Click\\.current", "", text, &type));
    EXPECT_EQ(text, "C:\\Sounds\\click.wav");
    EXPECT_EQ(type, REG_SZ);
    EXPECT_TRUE(RegText("AppEvents\\EventLabels\\Click", "", text));
    EXPECT_EQ(text, "Button click");
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik\\Click", "Disabled", text, &type));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(text, std::string(4, '\0'));

    map->SetEnabled("Click", false);
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik\\Click", "Disabled", text));
    EXPECT_EQ(text, std::string("\x01\0\0\0", 4));
    EXPECT_FALSE(map->GetEnabled("Click"));
    EXPECT_EQ(map->GetEventLabels("Click"), "Button click");
    EXPECT_EQ(map->GetEventValues("Click"), "C:\\Sounds\\click.wav");

    map->Add("Arrow", "\xD0\xA1\xD1\x82\xD1\x80\xD0\xB5\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x96\xBC", "arrow.wav", false);
    EXPECT_EQ(map->GetEventLabels("Arrow"), "\xD0\xA1\xD1\x82\xD1\x80\xD0\xB5\xD0\xBB\xD0\xBA\xD0\xB0 \xE2\x96\xBC");
    TStringList* keys = map->GetEventKeys();
    ASSERT_EQ(keys->Count(), 2);
    EXPECT_EQ(keys->Strings(0), "Click");
    EXPECT_EQ(keys->Strings(1), "Arrow");
    // Read anew each time, not appended.
    EXPECT_EQ(map->GetEventKeys()->Count(), 2);
}

TEST_F(SoundMap, ReadsWhatAnotherProgramRegistered)
{
    // Written by hand: an event with a sound file but no "Disabled" value, two schemes.
    const auto sz = [](const std::string& s) {
        std::string h;
        static const char H[] = "0123456789ABCDEF";
        for (unsigned char c : s + '\0') h += std::string{H[c >> 4], H[c & 15]};
        return h;
    };
    Put("ding.wav", Wave(Samples(500, 1)));
    map.reset();
    platform::RegistryUseMemory();
    Put("registry", "MORVIK-REGISTRY 1\n"
                    "K HKEY_CURRENT_USER AppEvents\\Schemes\\Schemes\\.default\n"
                    "K HKEY_CURRENT_USER AppEvents\\Schemes\\Schemes\\Loud\n"
                    "K HKEY_CURRENT_USER AppEvents\\Schemes\\Apps\\Morvik\\Ding\\.current\n"
                    "V 1 % " + sz("  " + Path("ding.wav") + "  ") + "\n"
                    "K HKEY_CURRENT_USER AppEvents\\Schemes\\Apps\\Morvik\\Ding\\Loud\n"
                    "V 1 % " + sz("loud.wav") + "\n"
                    "K HKEY_CURRENT_USER AppEvents\\EventLabels\\Ding\n"
                    "V 1 % " + sz("Ding") + "\n");
    platform::RegistryUseFile(Path("registry"));
    // Handles of the registry used before are gone with it.
    map = std::make_unique<TExSoundMap>(nullptr);
    map->SetApplicationKey("Morvik");
    TStringList* schemes = map->GetSchemes();
    ASSERT_EQ(schemes->Count(), 2);
    EXPECT_EQ(schemes->Strings(0), ".default");
    EXPECT_EQ(schemes->Strings(1), "Loud");
    EXPECT_TRUE(map->GetEnabled("Ding"));
    EXPECT_EQ(map->GetEventLabels("Ding"), "Ding");
    map->SetScheme("Loud");
    EXPECT_EQ(map->GetEventValues("Ding"), "loud.wav");
    map->SetScheme(".current");

    // The blanks around the file name do not stop it from playing.
    map->Play("Ding");
    const std::string pcm = Samples(500, 1);
    const std::string out = PlayedAtLeast(pcm.size());
    ASSERT_GE(out.size(), pcm.size());
    EXPECT_TRUE(out.compare(0, pcm.size(), pcm) == 0);
}

TEST_F(SoundMap, PlaysAnEnabledEventFromAFileNamedBeyondAscii)
{
    const std::string folder = Path("Kl\xC3\xA4nge \xE2\x99\xAA");
    std::filesystem::create_directory(folder);
    const std::string pcm = Samples(3000, 7);
    std::ofstream(folder + "/piep.wav", std::ios::binary) << Wave(pcm);
    map->Add("Down", "Knopf gedr\xC3\xBC" "ckt", folder + "/piep.wav", true);
    map->Play("Down");
    const std::string out = PlayedAtLeast(pcm.size());
    ASSERT_GE(out.size(), pcm.size());
    EXPECT_TRUE(out.compare(0, pcm.size(), pcm) == 0);
}

TEST_F(SoundMap, SilentCases)
{
    Put("tick.wav", Wave(Samples(200, 3)));
    map->Add("Off", "Off", Path("tick.wav"), false);
    map->Add("Blank", "Blank", "   ", true);
    map->Add("On", "On", Path("tick.wav"), true);

    map->Play("Off");
    EXPECT_TRUE(NothingPlayed());
    map->Play("Blank");
    EXPECT_TRUE(NothingPlayed());
    map->Play("Missing");
    EXPECT_TRUE(NothingPlayed());
    EXPECT_EQ(map->GetEventValues("Missing"), "");
    EXPECT_EQ(map->GetEventLabels("Missing"), "");
    EXPECT_TRUE(map->GetEnabled("Missing"));
    // Asking about an event leaves no key behind for it.
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Morvik\\Missing", 0, KEY_READ, &k),
              ERROR_FILE_NOT_FOUND);
    map->Mute = true;
    map->Play("On");
    EXPECT_TRUE(NothingPlayed());
    // A sound file that has gone away since it was registered.
    map->Mute = false;
    std::filesystem::remove(Path("tick.wav"));
    map->Play("On");
    EXPECT_TRUE(NothingPlayed());
    // Enabled again, it plays.
    Put("tick.wav", Wave(Samples(200, 3)));
    map->SetEnabled("Off", true);
    map->Play("Off");
    EXPECT_GE(PlayedAtLeast(400).size(), 400u);
}

TEST_F(SoundMap, InvalidNamesAreRefusedAndTheOldOnesKept)
{
    for (const char* bad : {"a*", "why?", "tab\t", "\xC3\xA4"}) {
        try {
            map->SetScheme(bad);
            ADD_FAILURE() << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Scheme name contains invalid characters");
        }
        EXPECT_EQ(map->Scheme(), ".current");
        try {
            map->SetApplicationKey(bad);
            ADD_FAILURE() << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Key name contains invalid characters");
        }
        EXPECT_EQ(map->ApplicationKey(), "Morvik");
    }
    map->SetScheme("Other scheme");
    EXPECT_EQ(map->Scheme(), "Other scheme");
    // Nothing of the refused names reached the registry.
    EXPECT_FALSE(RegKeyExists("AppEvents\\Schemes\\Apps\\a*"));
}

TEST_F(SoundMap, DeleteTakesTheEventAndItsLabelOnly)
{
    map->Add("One", "First", "one.wav", true);
    map->Add("Two", "Second", "two.wav", true);
    map->Delete("One");
    EXPECT_FALSE(RegKeyExists("AppEvents\\Schemes\\Apps\\Morvik\\One"));
    EXPECT_FALSE(RegKeyExists("AppEvents\\EventLabels\\One"));
    EXPECT_EQ(map->GetEventValues("Two"), "two.wav");
    EXPECT_EQ(map->GetEventLabels("Two"), "Second");
    // A name that is no key of the application's own is refused: empty, or one that reaches
    // elsewhere from the store's root or through a separator. Another application's events, the
    // schemes and the labels stay.
    map->SetApplicationKey("Other");
    map->Add("Beep", "Beep", "beep.wav", true);
    map->SetApplicationKey("Morvik");
    for (const char* name : {"", "  ", "\\Schemes", "\\Schemes\\Apps", "\\EventLabels", "\\", "Two\\",
                             "..\\Other", "Two\\.current"})
        map->Delete(name);
    EXPECT_TRUE(RegKeyExists("AppEvents\\Schemes\\Apps\\Morvik\\Two"));
    EXPECT_TRUE(RegKeyExists("AppEvents\\Schemes\\Apps\\Morvik\\Two\\.current"));
    EXPECT_TRUE(RegKeyExists("AppEvents\\Schemes\\Apps\\Other\\Beep"));
    EXPECT_TRUE(RegKeyExists("AppEvents\\EventLabels\\Two"));
    EXPECT_TRUE(RegKeyExists("AppEvents\\EventLabels\\Beep"));
    EXPECT_EQ(map->GetEventKeys()->Count(), 1);
}

// Without an application key the application's key would be the one of all applications, and an
// empty event name would stand for the application's key and the labels key themselves: the map
// has no such events, reads its defaults and writes nothing.
TEST_F(SoundMap, NoEventsWithoutAnApplicationKeyOrAName)
{
    map->SetApplicationKey("OtherApp");
    map->Add("Beep", "Beep", "beep.wav", true);
    map->SetApplicationKey("");
    map->Delete("OtherApp");
    EXPECT_TRUE(RegKeyExists("AppEvents\\Schemes\\Apps\\OtherApp\\Beep"));
    EXPECT_EQ(map->GetEventKeys()->Count(), 0);
    map->SetApplicationName("Nameless");
    map->Add("Ding", "Ding", "ding.wav", true);
    map->SetEnabled("OtherApp", false);
    std::string text;
    EXPECT_FALSE(RegText("AppEvents\\Schemes\\Apps", "", text));
    EXPECT_FALSE(RegKeyExists("AppEvents\\EventLabels\\Ding"));
    EXPECT_FALSE(RegText("AppEvents\\Schemes\\Apps\\OtherApp", "Disabled", text));
    EXPECT_EQ(map->ApplicationName(), "Nameless");

    map->SetApplicationKey("Morvik");
    map->SetApplicationName("Morvik receiver");
    map->Add("", "Label", "file.wav", false);
    map->Add("  ", "Label", "file.wav", false);
    map->SetEventLabels("", "Label");
    map->SetEventValues("", "file.wav");
    map->SetEnabled("", false);
    EXPECT_FALSE(RegText("AppEvents\\EventLabels", "", text));
    EXPECT_FALSE(RegText("AppEvents\\Schemes\\Apps\\Morvik", "Disabled", text));
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik", "", text));
    EXPECT_EQ(text, "Morvik receiver");
    EXPECT_EQ(map->GetEventLabels(""), "");
    EXPECT_EQ(map->GetEventValues(""), "");
    EXPECT_EQ(map->GetEventKeys()->Count(), 0);
}

// A form sets the name before the key: the key gets it when it is set, and only that key. Read from
// a form, the map writes it once the store is known, into that store.
TEST_F(SoundMap, TheNameSetBeforeTheKeyGoesToThatKeyOnly)
{
    std::string text;
    map->Add("Ding", "Ding", "ding.wav", true);  // "Morvik", registered without a name
    map = std::make_unique<TExSoundMap>(nullptr);
    map->SetApplicationName("My Program");
    map->SetApplicationKey("MyProg");
    map->Add("Click", "Click", "click.wav", true);
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\MyProg", "", text));
    EXPECT_EQ(text, "My Program");
    map->SetApplicationKey("Second");
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Second", "", text));
    EXPECT_EQ(text, "My Program");
    map->SetApplicationName("Renamed");
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\MyProg", "", text));
    EXPECT_EQ(text, "My Program");
    EXPECT_FALSE(RegText("AppEvents\\Schemes\\Apps\\Morvik", "", text));

    TExIniFile store(nullptr);
    store.SetPath("\\Software\\Morvik");
    store.SetUseRegistry(true);
    map = std::make_unique<TExSoundMap>(nullptr);
    map->SetState(csLoading, true);
    map->SetApplicationName("Loaded Program");
    map->SetApplicationKey("Loaded");
    map->SetStoragePath("\\Sounds");
    map->SetStorage(&store);
    EXPECT_FALSE(RegKeyExists("AppEvents\\Schemes\\Apps\\Loaded"));
    map->Loaded();
    EXPECT_TRUE(RegText("Software\\Morvik\\Sounds\\Schemes\\Apps\\Loaded", "", text));
    EXPECT_EQ(text, "Loaded Program");
    EXPECT_FALSE(RegKeyExists("AppEvents\\Schemes\\Apps\\Loaded"));
    // Without a key nothing is written, least of all on the key of all applications.
    map = std::make_unique<TExSoundMap>(nullptr);
    map->SetState(csLoading, true);
    map->SetApplicationName("Keyless");
    map->Loaded();
    EXPECT_FALSE(RegText("AppEvents\\Schemes\\Apps", "", text));
}

// Labels and sound files are default values, which a store in its file form cannot hold: such a
// store is refused with a message before anything is written, and what it can hold stays usable.
TEST_F(SoundMap, AStoreOutsideTheRegistryIsRefusedForDefaultValues)
{
    TExIniFile store(nullptr);
    map->SetStorage(&store);
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { map->Add("Ev", "Lab", "f.wav", false); }, [&] { map->SetEventLabels("Ev", "Lab"); },
             [&] { map->SetEventValues("Ev", "f.wav"); }, [&] { map->SetApplicationName("Name"); }}) {
        try {
            write();
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "The sound map's store must use the registry");
        }
    }
    EXPECT_EQ(store.SubKeysCount("\\"), 0);
    EXPECT_EQ(map->ApplicationName(), "");
    map->SetEnabled("Ev", false);
    EXPECT_FALSE(map->GetEnabled("Ev"));
    EXPECT_EQ(map->GetEventLabels("Ev"), "");
    // In registry mode the same store takes everything.
    store.SetUseRegistry(true);
    map->Add("Ev", "Lab", "f.wav", true);
    EXPECT_EQ(map->GetEventLabels("Ev"), "Lab");
    EXPECT_EQ(map->GetEventValues("Ev"), "f.wav");
}

TEST_F(SoundMap, StoragePathNeedsAnExternalStore)
{
    map->SetStoragePath("\\Elsewhere");
    EXPECT_EQ(map->StoragePath(), "");
    auto store = std::make_unique<TExIniFile>(nullptr);
    store->SetPath("\\Software\\Morvik");
    store->SetUseRegistry(true);
    ASSERT_TRUE(store->OpenKey("\\Settings\\Window", true));
    map->SetStorage(store.get());
    map->SetStoragePath("\\Sounds");
    EXPECT_EQ(map->StoragePath(), "\\Sounds");
    map->Add("Beep", "Beep", "beep.wav", true);
    std::string text;
    EXPECT_TRUE(RegText("Software\\Morvik\\Sounds\\Schemes\\Apps\\Morvik\\Beep\\.current", "", text));
    EXPECT_EQ(text, "beep.wav");
    EXPECT_TRUE(RegText("Software\\Morvik\\Sounds\\EventLabels\\Beep", "", text));
    EXPECT_FALSE(RegKeyExists("AppEvents\\EventLabels\\Beep"));
    // The store's own current key is left as its owner had it.
    EXPECT_EQ(store->CurrentKey(), "\\Settings\\Window");
    EXPECT_EQ(map->GetEventValues("Beep"), "beep.wav");
    EXPECT_EQ(store->CurrentKey(), "\\Settings\\Window");

    // The store goes first: the map falls back to its own and forgets the path.
    store.reset();
    EXPECT_EQ(map->Storage(), nullptr);
    EXPECT_EQ(map->StoragePath(), "");
    EXPECT_EQ(map->GetEventValues("Beep"), "");
    map->Add("Beep", "Beep", "own.wav", true);
    EXPECT_TRUE(RegText("AppEvents\\Schemes\\Apps\\Morvik\\Beep\\.current", "", text));
    EXPECT_EQ(text, "own.wav");
}

TEST_F(SoundMap, ClearingTheStoreClearsThePathAndLoadingKeepsItOnlyWithAStore)
{
    TExIniFile store(nullptr);
    map->SetStorage(&store);
    map->SetStoragePath("Sub");
    map->SetStorage(nullptr);
    EXPECT_EQ(map->StoragePath(), "");
    map->SetState(csLoading, true);
    map->SetStoragePath("Read");
    EXPECT_EQ(map->StoragePath(), "Read");
    map->SetState(csLoading, false);
    map->Loaded();
    EXPECT_EQ(map->StoragePath(), "");
}

TEST_F(SoundMap, TheMapGoingFirstLeavesTheStoreAlone)
{
    TExIniFile store(nullptr);
    map->SetStorage(&store);
    map.reset();
    // The store would otherwise tell a freed map of its own end.
    SUCCEED();
}

}  // namespace
