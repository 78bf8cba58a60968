#include "receiver/About.h"

#include "platform/ShellApi.h"
#include "platform/StdCtrls.h"

TAbout* About = nullptr;

namespace {

constexpr int kClientWidth = 342;
constexpr int kClientHeight = 208;

TLabel* CentredLabel(TAbout* form, const std::string& caption, int top, const std::string& face, int height,
                     TFontStyles style)
{
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetParentFont(false);
    l->Font()->SetName(face);
    l->Font()->SetHeight(height);
    l->Font()->SetStyle(style);
    l->SetAutoSize(false);
    l->SetAlignment(taCenter);
    l->SetCaption(caption);
    l->SetBounds(0, top, kClientWidth, -height + 8);
    return l;
}

TLabel* LinkLabel(TAbout* form, const std::string& caption, int top)
{
    TLabel* l = CentredLabel(form, caption, top, "MS Sans Serif", -13,
                             FontStyle(fsBold) | FontStyle(fsUnderline));
    l->Font()->SetColor(clBlue);
    l->SetCursor(crHandPoint);
    return l;
}

}  // namespace

TAbout::TAbout(TComponent* AOwner) : TForm(AOwner)
{
    SetName("About");
    SetCaption("About Morvik");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetColor(clSilver);
    SetClientWidth(kClientWidth);
    SetClientHeight(kClientHeight);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);

    txt1 = CentredLabel(this, "Morvik  V1.0", 18, "Times New Roman", -27, FontStyle(fsBold));
    Label1 = CentredLabel(this, "Written by the Morvik team", 58, "MS Sans Serif", -16,
                          FontStyle(fsBold));
    Label2 = LinkLabel(this, "mailto:morvik@example.org", 98);
    Label2->OnClick = [this](TObject* s) { Label2Click(s); };
    Label4 = LinkLabel(this, "https://morvik.example.org", 136);
    Label4->OnClick = [this](TObject* s) { Label4Click(s); };

    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(150, 176, 50, 25);
    Button1->SetCaption("OK");
    Button1->Default = true;
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
}

void TAbout::Button1Click(TObject*)
{
    SetModalResult(mrOk);
}

// The opener's answer is not looked at: a desktop without a mail program says so itself.
void TAbout::Label2Click(TObject*)
{
    ShellExecute(Handle(), "open", Label2->Caption().c_str(), "", ".\\", SW_SHOWNORMAL);
}

void TAbout::Label4Click(TObject*)
{
    ShellExecute(Handle(), nullptr, Label4->Caption().c_str(), "", ".\\", SW_SHOWNORMAL);
}
