// The message record every window procedure and handler receives, and the class library's own
// message numbers (CM_*: control notifications, CN_*: messages reflected back to the control).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Windows.h"

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;  // 64 bits: pointers travel in both parameters
    LPARAM LParam = 0;
    LRESULT Result = 0;

    Word WParamLo() const { return LOWORD(WParam); }
    Word WParamHi() const { return HIWORD(WParam); }
    Word LParamLo() const { return LOWORD(std::uint64_t(LParam)); }
    Word LParamHi() const { return HIWORD(std::uint64_t(LParam)); }
    // Client coordinates of a mouse message.
    int XPos() const { return GET_X_LPARAM(LParam); }
    int YPos() const { return GET_Y_LPARAM(LParam); }
    template <class T>
    T* WParamPtr() const { return reinterpret_cast<T*>(WParam); }
    template <class T>
    T* LParamPtr() const { return reinterpret_cast<T*>(LParam); }
};
using PMessage = TMessage*;

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_GOTFOCUS = CM_BASE + 2;
constexpr UINT CM_LOSTFOCUS = CM_BASE + 3;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_HITTEST = CM_BASE + 10;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_MENUCHANGED = CM_BASE + 21;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 24;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 28;
constexpr UINT CM_ICONCHANGED = CM_BASE + 29;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_INVOKEHELP = CM_BASE + 31;
constexpr UINT CM_WINDOWHOOK = CM_BASE + 32;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_FONTCHANGE = CM_BASE + 38;
constexpr UINT CM_TIMECHANGE = CM_BASE + 39;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_GETDATALINK = CM_BASE + 45;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_DRAG = CM_BASE + 47;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_DIALOGHANDLE = CM_BASE + 49;
constexpr UINT CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;
constexpr UINT CM_CHANGED = CM_BASE + 55;

// Reflections: what a child window tells its parent about itself (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*,
// scrolling, owner-drawn items) the parent hands back to the child as CN_BASE + the message; keys go
// to the focused control as CN_KEYDOWN ... CN_SYSCHAR first, and one answering non-zero takes them.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_DRAWITEM = CN_BASE + 0x002B;
constexpr UINT CN_MEASUREITEM = CN_BASE + 0x002C;
constexpr UINT CN_DELETEITEM = CN_BASE + 0x002D;
constexpr UINT CN_VKEYTOITEM = CN_BASE + 0x002E;
constexpr UINT CN_CHARTOITEM = CN_BASE + 0x002F;
constexpr UINT CN_COMPAREITEM = CN_BASE + 0x0039;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + 0x0132;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr UINT CN_CTLCOLORDLG = CN_BASE + 0x0136;
constexpr UINT CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSKEYUP = CN_BASE + WM_SYSKEYUP;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;

// WM_NOTIFY's LParam starts with this header.
struct NMHDR {
    HWND hwndFrom = nullptr;
    std::uintptr_t idFrom = 0;
    UINT code = 0;
};

// CM_HINTSHOW's LParam: what the hint will show. The control may change any of it, or answer
// non-zero to show no hint.
struct THintInfo {
    class TControl* HintControl = nullptr;
    TPoint HintPos;          // screen point of the hint window's top-left corner
    int HintMaxWidth = 0;
    TColor HintColor = 0;
    TRect CursorRect;        // client coordinates of HintControl; the hint goes when the mouse leaves it
    TPoint CursorPos;        // client coordinates of HintControl
    int ReshowTimeout = 0;   // ms until the hint is asked for again (0: not)
    int HideTimeout = 0;     // ms it stays (0: the application's HintHidePause)
    std::string HintStr;
    void* HintData = nullptr;
};

// Message maps: a class lists the messages it handles; anything else goes to its base class.
//   BEGIN_MESSAGE_MAP
//     MESSAGE_HANDLER(WM_PAINT, WMPaint)
//   END_MESSAGE_MAP(TCustomControl)
// A handler is a member taking TMessage&; it calls Base::Dispatch(Message) for the inherited
// handling.
#define BEGIN_MESSAGE_MAP                          \
    void Dispatch(TMessage& Message) override      \
    {                                              \
        switch (Message.Msg) {
#define MESSAGE_HANDLER(msg, method) \
    case (msg):                      \
        method(Message);             \
        break;
#define END_MESSAGE_MAP(base)        \
    default:                         \
        base::Dispatch(Message);     \
        }                            \
    }
