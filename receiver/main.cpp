// Program entry: the application object, the main window, the message loop.
#include <exception>

#include "platform/AppIcon.h"
#include "platform/CmdLine.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/ProcessSignals.h"
#include "receiver/About.h"
#include "receiver/Glyphs.h"
#include "receiver/RxForm.h"

int main(int argc, char** argv)
{
    int status = 0;
    // Before any thread starts, so that only the watcher below ever takes these signals.
    BlockTerminationSignals();
    SetCommandLine(argc, argv);
    try {
        Application->Initialize();
        Application->SetTitle("Morvik");
        Application->HelpFile = "";
        TBitmap icon;
        rx::DrawProgramIcon(icon, 32);
        SetApplicationIcon(&icon);
        TRxForm* rxForm = nullptr;
        Application->CreateForm(rxForm);
        Application->CreateForm(About);
        // A desktop session ends programs with SIGTERM: the window closes as when the user closes it.
        CloseOnTerminationSignals(rxForm->Handle());
        Application->Run();
        MessageLoopEnded();
        // Another copy runs in this folder, or the sound input failed: the program did nothing.
        status = rxForm->ExitStatus;
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    DoneApplication();
    return status;
}
