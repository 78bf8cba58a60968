// The tree control in a few lines: a form with a two-column tree of days and messages, sorted by
// the first column, that tells which row has the focus.
#include <cstdio>

#include "platform/Forms.h"
#include "tree/Extree.h"

int main()
{
    Application->Initialize();
    // The application's first form is its main form: closing it ends Run.
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption("Messages");
    form->SetBounds(40, 40, 420, 300);

    auto* tree = new TExTree(form);
    tree->SetParent(form);
    tree->SetAlign(alClient);
    TExHeaderSections* columns = tree->Header()->Sections();
    columns->AddSection()->SetText("Message");
    columns->AddSection()->SetText("Station");
    columns->GetSection(0)->SetWidth(260);
    tree->SetShowHeader(true);

    TExTreeItems* items = tree->Items();
    items->BeginUpdate();  // one layout and one repaint for the whole batch
    TExTreeItem* day = items->Add(nullptr, "08 Dec 26");
    items->AddChild(day, "Navigational warning 45")->ColumnText()->Add("FB");
    items->AddChild(day, "Gale warning area 7")->ColumnText()->Add("FA");
    items->EndUpdate();
    tree->Sort(true);
    day->Expand(false);

    tree->OnItemFocused = [tree](TObject*) {
        if (TExTreeItem* item = tree->GetFocused())
            std::printf("%s\n", item->Text().c_str());
    };
    Application->Run();  // shows the main form and returns once it is closed
    DoneApplication();
    return 0;
}
