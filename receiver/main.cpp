// Program entry. Until the receiver's main window is built, the program shows a placeholder
// window that says so.
#include <exception>

#include "platform/Forms.h"
#include "platform/StdCtrls.h"

int main()
{
    try {
        Application->Initialize();
        Application->SetTitle("Morvik");
        Application->HelpFile = "";
        TForm* mainForm = nullptr;
        Application->CreateForm(mainForm);
        mainForm->SetCaption("Morvik");
        mainForm->SetBounds(247, 111, 532, 427);
        auto* note = new TLabel(mainForm);
        note->SetParent(mainForm);
        note->SetAutoSize(false);
        note->SetAlign(alClient);
        note->SetAlignment(taCenter);
        note->SetLayout(tlCenter);
        note->SetCaption("The receiver is not available in this build yet.");
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    DoneApplication();
    return 0;
}
