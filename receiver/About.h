// The about box: the program's name and version, a line of credits, and two links opened by the
// desktop's opener.
#pragma once

#include "platform/Forms.h"

class TButton;
class TLabel;

class TAbout : public TForm {
public:
    explicit TAbout(TComponent* AOwner);

    TLabel* txt1;
    TLabel* Label1;
    TLabel* Label2;  // the mail address
    TLabel* Label4;  // the web address
    TButton* Button1;

    void Button1Click(TObject* Sender);
    void Label2Click(TObject* Sender);
    void Label4Click(TObject* Sender);
};

// Made with the main window and kept for the whole run; only shown and hidden.
extern TAbout* About;
