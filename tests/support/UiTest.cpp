#include "tests/support/UiTest.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace uitest {

void Pump(int Milliseconds)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    do {
        Application->ProcessMessages();
        if (Milliseconds > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& Condition, int TimeoutMs)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void AnswerNextDialog(std::function<int(TObject* Dialog)> Answer)
{
    SetModalHook([Answer](TObject* dlg, int& result) {
        SetModalHook(nullptr);
        result = Answer(dlg);
        return true;
    });
}

void AnswerAllDialogs(std::function<int(TObject* Dialog)> Answer)
{
    SetModalHook([Answer](TObject* dlg, int& result) {
        result = Answer(dlg);
        return true;
    });
}

void ClearDialogAnswers() { SetModalHook(nullptr); }

namespace {
// The folders this test program made, removed when it ends (MORVIK_KEEP_TEMP=1 keeps them to look
// at). Only the process that made them removes them: a death test's child leaves its parent's.
struct TMadeFolders {
    pid_t Owner = getpid();
    std::vector<std::string> Dirs;
    ~TMadeFolders()
    {
        const char* keep = std::getenv("MORVIK_KEEP_TEMP");
        if (getpid() != Owner || (keep && *keep && *keep != '0'))
            return;
        std::error_code ec;
        for (const std::string& d : Dirs)
            std::filesystem::remove_all(d, ec);
    }
};
TMadeFolders& MadeFolders()
{
    static TMadeFolders folders;
    return folders;
}
}  // namespace

std::string TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/morvik-ui-XXXXXX";
    char* made = mkdtemp(templ.data());
    if (!made)
        return std::string();
    MadeFolders().Dirs.push_back(made);
    return std::string(made);
}

std::string SaveSnapshot(TControl* Control, const std::string& Name)
{
    const char* dir = std::getenv("MORVIK_SNAPSHOT_DIR");
    std::string folder = dir && *dir ? std::string(dir) : TempDir();
    std::string path = folder + "/" + Name + ".png";
    bool saved = SaveControlImage(Control, path);
    // Keeps the window up for a while, so that a screenshot of the display can be taken.
    if (const char* hold = std::getenv("MORVIK_SNAPSHOT_HOLD_MS"))
        Pump(std::atoi(hold));
    return saved ? path : std::string();
}

}  // namespace uitest
