// The main window over a stand-in sound device in a fresh working folder, with every dialog and
// message box answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/CmdLine.h"
#include "platform/ComCtrls.h"
#include "platform/Dialogs.h"
#include "receiver/RxForm.h"
#include "tests/receiver/FakeWaveIn.h"
#include "tests/receiver/TestSignal.h"
#include "tests/support/UiTest.h"

namespace rxtest {

using namespace testsig;

// The window puts its logs on the disk at every line end; in memory that costs nothing, so tests
// that receive much text take no longer than the text itself.
inline std::string FastTempBase()
{
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

class RxWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakewave::Reset();
        // The test's files live in memory: a writer that runs away is refused here instead of
        // filling the machine's memory, and the test ends normally, taking its files with it.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit l{};
        getrlimit(RLIMIT_FSIZE, &l);
        if (l.rlim_cur == RLIM_INFINITY || l.rlim_cur > kMaxTestFileBytes) {
            l.rlim_cur = kMaxTestFileBytes;
            setrlimit(RLIMIT_FSIZE, &l);
        }
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        OldDir = cwd;
        ASSERT_EQ(chdir(Dir.Dir.c_str()), 0);
        SetArgs({});
        Application->Initialize();
        uitest::AnswerAllDialogs([this](TObject* d) { return Answer(d); });
        form = new TRxForm(nullptr, &fakewave::Api);
        form->AfterConstruction();
    }
    void TearDown() override
    {
        delete form;
        uitest::ClearDialogAnswers();
        Application->ResetTerminated();
        uitest::Pump();
        ASSERT_EQ(chdir(OldDir.c_str()), 0);
    }
    static void SetArgs(std::vector<const char*> args)
    {
        args.insert(args.begin(), "morvik");
        SetCommandLine(static_cast<int>(args.size()), args.data());
    }
    int Answer(TObject* d)
    {
        if (auto* box = dynamic_cast<TMessageBoxRequest*>(d)) {
            // A box shown again and again ends the test at once, before the list eats the memory.
            if (Boxes.size() >= kMaxBoxes)
                throw std::runtime_error("the same failure told without end: " + box->Text);
            Boxes.push_back(box->Caption + "|" + box->Text);
            BoxIcons.push_back(box->Flags & MB_ICONMASK);
            if (OnBox)
                OnBox();
            return IDOK;
        }
        if (auto* save = dynamic_cast<TSaveDialog*>(d)) {
            SaveDialogs.push_back(save->Title + "|" + std::to_string(save->Options));
            if (OnFileDialog)
                OnFileDialog();
            save->FileName = SaveFile;
            return SaveFile.empty() ? IDCANCEL : IDOK;
        }
        if (auto* open = dynamic_cast<TOpenDialog*>(d)) {
            ++FileDialogs;
            if (OnFileDialog)
                OnFileDialog();
            open->FileName = DialogFile;
            return DialogFile.empty() ? IDCANCEL : IDOK;
        }
        return OtherDialog ? OtherDialog(d) : IDCANCEL;
    }
    std::string Panel(int i) { return form->StatusBar1->Panels()->Items(i)->Text(); }
    std::string Received() { return form->RxMemo->GetTextPart(0, form->RxMemo->TextLen()); }

    static constexpr rlim_t kMaxTestFileBytes = rlim_t{8} << 20;
    static constexpr std::size_t kMaxBoxes = 1000;

    TTempDir Dir{FastTempBase()};
    std::string OldDir;
    TRxForm* form = nullptr;
    std::vector<std::string> Boxes;
    std::vector<UINT> BoxIcons;
    int FileDialogs = 0;
    std::string DialogFile;
    std::function<void()> OnFileDialog;
    std::function<void()> OnBox;
    // Font and colour dialogs, forms shown modally: cancelled unless this answers them.
    std::function<int(TObject*)> OtherDialog;
    std::vector<std::string> SaveDialogs;
    std::string SaveFile;
};

}  // namespace rxtest
