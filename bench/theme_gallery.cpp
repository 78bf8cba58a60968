// Developer tool: one window with every part the theme service draws, each beside the classic look
// the controls fall back to, to check both drawing paths by eye. Run it as it is and with
// MORVIK_NO_THEMES=1: then the themed column says that themes are off.
#include <exception>
#include <iterator>
#include <string>

#include "ctlbase/Extmschema.h"
#include "ctlbase/Exuxtheme.h"
#include "platform/Forms.h"

namespace {

struct Row {
    const char* Name;
    LPCWSTR Class;
    int Part, State;
    int Width, Height;
    // The classic look: a frame control (type, state) or, with type 0, an edge (edge, flags).
    UINT ClassicType, ClassicState;
};

const Row kRows[] = {
    {"Header item", VSCLASS_HEADER, HP_HEADERITEM, HIS_NORMAL, 90, 20, 0, EDGE_RAISED},
    {"Header item, hot", VSCLASS_HEADER, HP_HEADERITEM, HIS_HOT, 90, 20, 0, EDGE_RAISED},
    {"Header item, pressed", VSCLASS_HEADER, HP_HEADERITEM, HIS_PRESSED, 90, 20, 0, EDGE_SUNKEN},
    {"Header sort arrow", VSCLASS_HEADER, HP_HEADERSORTARROW, HSAS_SORTEDUP, 12, 8, DFC_SCROLL, DFCS_SCROLLUP},
    {"Scroll arrow up", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_UPNORMAL, 16, 16, DFC_SCROLL, DFCS_SCROLLUP},
    {"Scroll arrow down, pressed", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_DOWNPRESSED, 16, 16, DFC_SCROLL,
     DFCS_SCROLLDOWN | DFCS_PUSHED},
    {"Scroll arrow left, hot", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_LEFTHOT, 16, 16, DFC_SCROLL, DFCS_SCROLLLEFT},
    {"Scroll arrow right, disabled", VSCLASS_SCROLLBAR, SBP_ARROWBTN, ABS_RIGHTDISABLED, 16, 16, DFC_SCROLL,
     DFCS_SCROLLRIGHT | DFCS_INACTIVE},
    {"Scroll thumb", VSCLASS_SCROLLBAR, SBP_THUMBBTNHORZ, SCRBS_NORMAL, 60, 16, 0, EDGE_RAISED},
    {"Scroll track", VSCLASS_SCROLLBAR, SBP_LOWERTRACKHORZ, SCRBS_NORMAL, 60, 16, 0, BDR_SUNKENOUTER},
    {"Scroll track, pressed", VSCLASS_SCROLLBAR, SBP_UPPERTRACKHORZ, SCRBS_PRESSED, 60, 16, 0, BDR_SUNKENINNER},
    {"Thumb gripper", VSCLASS_SCROLLBAR, SBP_GRIPPERHORZ, SCRBS_NORMAL, 16, 16, 0, EDGE_ETCHED},
    {"Push button", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_NORMAL, 75, 23, DFC_BUTTON, DFCS_BUTTONPUSH},
    {"Push button, default", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_DEFAULTED, 75, 23, DFC_BUTTON, DFCS_BUTTONPUSH},
    {"Push button, pressed", VSCLASS_BUTTON, BP_PUSHBUTTON, PBS_PRESSED, 75, 23, DFC_BUTTON,
     DFCS_BUTTONPUSH | DFCS_PUSHED},
    {"Check box", VSCLASS_BUTTON, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, 13, 13, DFC_BUTTON, DFCS_BUTTONCHECK},
    {"Check box, checked", VSCLASS_BUTTON, BP_CHECKBOX, CBS_CHECKEDNORMAL, 13, 13, DFC_BUTTON,
     DFCS_BUTTONCHECK | DFCS_CHECKED},
    {"Check box, mixed", VSCLASS_BUTTON, BP_CHECKBOX, CBS_MIXEDNORMAL, 13, 13, DFC_BUTTON,
     DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE},
    {"Radio button", VSCLASS_BUTTON, BP_RADIOBUTTON, RBS_UNCHECKEDNORMAL, 13, 13, DFC_BUTTON, DFCS_BUTTONRADIO},
    {"Radio button, checked", VSCLASS_BUTTON, BP_RADIOBUTTON, RBS_CHECKEDNORMAL, 13, 13, DFC_BUTTON,
     DFCS_BUTTONRADIO | DFCS_CHECKED},
    {"Tree expander, closed", VSCLASS_TREEVIEW, TVP_GLYPH, GLPS_CLOSED, 10, 10, 0, BF_MONO},
    {"Tree expander, open", VSCLASS_TREEVIEW, TVP_GLYPH, GLPS_OPENED, 10, 10, 0, BF_MONO},
    {"Tree item, selected", VSCLASS_TREEVIEW, TVP_TREEITEM, TREIS_SELECTED, 90, 18, 0, BDR_SUNKENOUTER},
    {"Edit frame", VSCLASS_EDIT, EP_EDITTEXT, ETS_NORMAL, 90, 21, 0, EDGE_SUNKEN},
    {"Edit frame, focused", VSCLASS_EDIT, EP_EDITTEXT, ETS_FOCUSED, 90, 21, 0, EDGE_SUNKEN},
    {"Combo box frame", VSCLASS_COMBOBOX, 0, 0, 90, 21, 0, EDGE_SUNKEN},
    {"Combo drop-down button", VSCLASS_COMBOBOX, CP_DROPDOWNBUTTON, CBXS_NORMAL, 17, 19, DFC_SCROLL,
     DFCS_SCROLLDOWN},
    {"Tooltip", VSCLASS_TOOLTIP, TTP_STANDARD, TTSS_NORMAL, 90, 20, 0, BF_MONO},
};

constexpr int kRowHeight = 26;
constexpr int kThemedX = 190, kClassicX = 330;

class TGallery : public TCustomControl {
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override
    {
        TCanvas* c = Canvas();
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(ClientRect());
        HDC dc = c->Handle();
        SetBkMode(dc, TRANSPARENT);
        c->TextOut(kThemedX, 6, ThemesAvailable ? "Themed" : "Themed (themes are off)");
        c->TextOut(kClassicX, 6, "Classic");
        int y = 28;
        for (const Row& r : kRows) {
            c->TextOut(8, y + 4, r.Name);
            RECT themed = Bounds(kThemedX, y, r.Width, r.Height);
            if (ThemesAvailable) {
                DrawThemeBackgroundTo(r.Class, dc, r.Part, r.State, themed, nullptr);
                if (r.Width >= 75 && r.Class != VSCLASS_SCROLLBAR)
                    DrawThemeTextTo(r.Class, dc, r.Part, r.State, u"Caption", -1, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                                    0, themed);
            } else {
                c->TextOut(kThemedX, y + 4, "-");
            }
            RECT classic = Bounds(kClassicX, y, r.Width, r.Height);
            if (r.ClassicType)
                DrawFrameControl(dc, &classic, r.ClassicType, r.ClassicState);
            else
                DrawEdge(dc, &classic, r.ClassicState == BF_MONO ? EDGE_RAISED : r.ClassicState,
                         BF_RECT | (r.ClassicState == BF_MONO ? BF_MONO : 0));
            y += kRowHeight;
        }
    }
};

}  // namespace

int main()
{
    try {
        Application->Initialize();
        Application->SetTitle("Theme gallery");
        TForm* form = nullptr;
        Application->CreateForm(form);
        form->SetCaption(ThemesAvailable ? "Theme gallery: themes on" : "Theme gallery: themes off");
        form->SetBounds(40, 40, 470, 28 + kRowHeight * int(std::size(kRows)) + 40);
        auto* gallery = new TGallery(form);
        gallery->SetParent(form);
        gallery->SetAlign(alClient);
        Application->Run();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    }
    DoneApplication();
    return 0;
}
