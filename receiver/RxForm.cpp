#include "receiver/RxForm.h"

#include <unistd.h>

#include <cstdio>

#include "memo/Stylememo.h"
#include "platform/Buttons.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/FileUtils.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "receiver/Afc.h"
#include "receiver/Baudot.h"
#include "receiver/Glyphs.h"
#include "tree/Extree.h"

namespace {

constexpr int kToolbarHeight = 25;
constexpr int kDisplayHeight = 50;
constexpr int kRxMemoHeight = 80;

TSpeedButton* ToolButton(TRxForm* form, TPanel* panel, int left, const std::string& caption,
                         const std::string& hint, int group)
{
    auto* b = new TSpeedButton(form);
    b->SetParent(panel);
    b->SetBounds(left, 1, 45, 23);
    b->SetCaption(caption);
    b->SetHint(hint);
    b->SetGroupIndex(group);
    b->SetAllowAllUp(true);
    return b;
}

void UpDownPair(TRxForm* form, TPanel* panel, TEdit*& edit, TUpDown*& upDown, int left,
                const std::string& hint, int lo, int hi, int position)
{
    edit = new TEdit(form);
    edit->SetParent(panel);
    edit->SetBounds(left, 2, 25, 21);
    edit->SetReadOnly(true);
    edit->SetHint(hint);
    upDown = new TUpDown(form);
    upDown->SetParent(panel);
    upDown->SetBounds(left + 25, 2, 15, 21);
    upDown->SetMin(SmallInt(lo));
    upDown->SetMax(SmallInt(hi));
    upDown->SetPosition(SmallInt(position));
    upDown->ArrowKeys = false;
    upDown->Wrap = false;
    upDown->SetAssociate(edit);
}

}  // namespace

TRxForm::TRxForm(TComponent* AOwner, const rx::TWaveInApi* waveIn)
    : TForm(AOwner),
      Path(Tty_Params),
      Decoder(Tty_Params),
      Sound(std::make_unique<rx::TSoundInput>(static_cast<rx::TSoundHost&>(*this),
                                              waveIn ? *waveIn : rx::SystemWaveIn()))
{
    SetName("RxForm");
    SetCaption("Morvik");
    SetBounds(247, 111, 532, 427);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    KeyPreview = true;
    SetShowHint(true);
    CreateMenus();
    CreateComponents();

    Path.Host = this;
    Decoder.Attach(Path);
    Decoder.OnReceivedChar = [this](char c) { AppendReceivedChar(c); };

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    OnKeyDown = [this](TObject* s, Word& key, TShiftState shift) { FormKeyDown(s, key, shift); };
}

TRxForm::~TRxForm()
{
    // A form deleted without its owner gets no OnDestroy while it is still whole.
    OnDestroy = nullptr;
    FormDestroy(this);
    // A window that goes without its stop sequence still writes its line in progress, silently.
    FailureTold[static_cast<int>(rx::TFailureSource::RawLog)] = true;
    CloseRawLog();
    Sound.reset();
    if (FolderLock >= 0)
        ::close(FolderLock);
}

void TRxForm::CreateComponents()
{
    // In the design's order, each at its design position, so that the alignment keeps the order.
    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(0, 0, 524, kToolbarHeight);
    Panel1->SetAlign(alTop);

    OnTopButton = ToolButton(this, Panel1, 0, "OnTop", "Always On Top On/Off", 1);
    OnTopButton->SetParentFont(false);
    OnTopButton->Font()->SetStyle(FontStyle(fsBold));
    OnTopButton->OnClick = [this](TObject* s) { OnTopButtonClick(s); };
    ReverseButton = ToolButton(this, Panel1, 45, "Normal", "Normal/Reverse Tone Switch", 2);
    ReverseButton->OnClick = [this](TObject* s) { ReverseButtonClick(s); };
    UpDownPair(this, Panel1, AfcEdit, AfcUpDown, 100, "AFC Speed", 0, 99, 10);
    AfcButton = ToolButton(this, Panel1, 140, "A&FC", "Auto Frequency Control On/Off (Alt-F)", 3);
    rx::DrawLampGlyph(*AfcButton->Glyph(), clLime);
    AfcButton->SetNumGlyphs(4);
    AfcButton->SetDown(true);
    UpDownPair(this, Panel1, SquelchEdit, SquelchUpDown, 240, "Squelch Threshold", 1, 99, 50);
    SquelchUpDown->OnClick = [this](TObject* s, TUDBtnType b) { SquelchUpDownClick(s, b); };
    SquelchButton = ToolButton(this, Panel1, 280, "SQL", "Squelch On/Off", 7);
    rx::DrawLampGlyph(*SquelchButton->Glyph(), clYellow);
    SquelchButton->SetNumGlyphs(4);
    SquelchButton->OnClick = [this](TObject* s) { SquelchButtonClick(s); };

    Bevel1 = new TBevel(this);
    Bevel1->SetParent(this);
    Bevel1->SetBounds(0, 25, 524, 2);
    Bevel1->SetShape(bsTopLine);
    Bevel1->SetAlign(alTop);

    FFTBox = new TPaintBox(this);
    FFTBox->SetParent(this);
    FFTBox->SetBounds(0, 27, 524, kDisplayHeight);
    FFTBox->SetAlign(alTop);
    FFTBox->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        FFTBoxMouseDown(s, b, sh, x, y);
    };
    FFTBox->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { FFTBoxMouseMove(s, sh, x, y); };
    // Uncovered or resized, a display shows its last picture until the next one is drawn.
    FFTBox->OnPaint = [this](TObject*) {
        if (SpectrumBitmap && SpectrumBitmap->Width() == FFTBox->Width() &&
            SpectrumBitmap->Height() == FFTBox->Height())
            FFTBox->Canvas()->Draw(0, 0, SpectrumBitmap);
    };

    Splitter1 = new TSplitter(this);
    Splitter1->SetParent(this);
    Splitter1->SetBounds(0, 77, 524, 4);
    Splitter1->SetAlign(alTop);
    Splitter1->SetMinSize(20);

    RxMemo = new TStyleMemo(this);
    RxMemo->SetParent(this);
    RxMemo->SetBounds(0, 81, 524, kRxMemoHeight);
    RxMemo->SetAlign(alTop);
    RxMemo->setReadOnly(true);
    RxMemo->setScrollBars(ssVertical);
    RxMemo->setEnableHotKeys(false);
    RxMemo->setApplyKeywords(false);
    RxMemo->setOptions(pmoWrapCaret | pmoInsertKeyActive | pmoWideOverwriteCaret | pmoNoFineScroll |
                       pmoNoLineSelection);
    RxMemo->Font()->SetName("MS Sans Serif");
    RxMemo->Font()->SetHeight(-13);
    RxMemo->Font()->SetStyle(FontStyle(fsBold));
    RxMemo->Font()->SetCharset(RUSSIAN_CHARSET);
    RxMemo->Font()->SetColor(clBlack);
    RxMemo->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        RxMemoMouseDown(s, b, sh, x, y);
    };

    Splitter2 = new TSplitter(this);
    Splitter2->SetParent(this);
    Splitter2->SetBounds(0, 77 + 4 + kRxMemoHeight, 524, 2);
    Splitter2->SetAlign(alTop);
    Splitter2->SetMinSize(5);
    Splitter2->OnMoved = [this](TObject* s) { Splitter3Moved(s); };

    Panel2 = new TPanel(this);
    Panel2->SetParent(this);
    Panel2->SetBounds(0, 163, 524, 140);
    Panel2->SetBevelOuter(bvNone);
    Panel2->SetAlign(alClient);

    // The message tree at the left of this panel, the viewer beside it.
    TreeView1 = new TExTree(this);
    TreeView1->SetParent(Panel2);
    TreeView1->SetBounds(0, 0, 125, 140);
    TreeView1->SetAlign(alLeft);
    // The archive keeps its own date and time order by inserting in place; the tree never sorts.
    TreeView1->SetSortType(stCustom);
    TreeView1->SetSortMode(smNone);
    TreeView1->OnCompareItems = [this](TObject* s, TExTreeItem* a, TExTreeItem* b, Integer& res) {
        TreeView1CompareItems(s, a, b, res);
    };
    TreeView1->OnAfterSelectionChange = [this](TObject* s) { TreeView1AfterSelectionChange(s); };
    TreeView1->OnDblClick = [this](TObject* s) { TreeView1DblClick(s); };

    Splitter4 = new TSplitter(this);
    Splitter4->SetParent(Panel2);
    Splitter4->SetBounds(125, 0, 3, 140);
    Splitter4->SetAlign(alLeft);

    MessageMemo = new TStyleMemo(this);
    MessageMemo->SetParent(Panel2);
    MessageMemo->SetBounds(0, 0, 524, 140);
    MessageMemo->SetAlign(alClient);
    MessageMemo->setReadOnly(true);
    // The saved bytes are those the receive window shows: the viewer reads them the same way.
    MessageMemo->Font()->SetCharset(RUSSIAN_CHARSET);
    MessageMemo->OnDblClick = [this](TObject* s) { TreeView1DblClick(s); };
    MessageMemo->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        RxMemoMouseDown(s, b, sh, x, y);
    };

    Splitter3 = new TSplitter(this);
    Splitter3->SetParent(this);
    Splitter3->SetBounds(0, 303, 524, 4);
    Splitter3->SetAlign(alBottom);
    Splitter3->SetMinSize(5);
    Splitter3->OnMoved = [this](TObject* s) { Splitter3Moved(s); };

    PaintBox1 = new TPaintBox(this);
    PaintBox1->SetParent(this);
    PaintBox1->SetBounds(0, 307, 524, kDisplayHeight);
    PaintBox1->SetAlign(alBottom);
    PaintBox1->SetColor(clGreen);
    PaintBox1->OnPaint = [this](TObject*) {
        if (OscBitmap && OscBitmap->Width() == PaintBox1->Width() && OscBitmap->Height() == PaintBox1->Height())
            PaintBox1->Canvas()->Draw(0, 0, OscBitmap);
    };

    StatusBar1 = new TStatusBar(this);
    StatusBar1->SetParent(this);
    StatusBar1->SetBounds(0, 357, 524, 20);
    StatusBar1->SetAlign(alBottom);
    StatusBar1->SetHint("Mode / Speed / Tx Frequency / Tx Shift / Capture / Rx Frequency / Rx Shift / "
                        "Unshift On Space / Free buffers");
    static const int widths[kStatusPanels] = {50, 50, 50, 50, 30, 30, 50, 100, 50};
    static const char* const texts[kStatusPanels] = {"RTTY", "45 Baud", "1700 Hz", "170 Hz", "", "", "FrB: 15", "", ""};
    for (int i = 0; i < kStatusPanels; ++i) {
        TStatusPanel* p = StatusBar1->Panels()->Add();
        p->SetWidth(widths[i]);
        p->SetText(texts[i]);
        p->SetAlignment(i == kStatusPanels - 1 ? taLeftJustify : taCenter);
    }

    SaveBufferDialog = new TSaveDialog(this);
    SaveBufferDialog->Filter = "Text files|*.txt|All files|*.*";
    SaveBufferDialog->DefaultExt = "txt";
    SaveBufferDialog->InitialDir = ".";
    FontDialog1 = new TFontDialog(this);
    FontDialog1->Options = FontDialogOption(fdEffects);
    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->Options = ColorDialogOption(cdAnyColor);
    ColorDialog1->Ctl3D = true;
    FileOpenDialog = new TOpenDialog(this);
    FileOpenDialog->Title = "Select File";
    FileOpenDialog->Filter = "Text Files|*.txt|All Files|*.*";
    FileOpenDialog->InitialDir = ".";

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
}

// ---- life cycle ---------------------------------------------------------------------------------

void TRxForm::FormCreate(TObject*)
{
    RxHistory.clear();
    Tty_Params = TTtyParams();
    ReadCreationSettings();
    Path.Demod.FinalTable = &BaudFirTableStart;
    OscBitmap = new TBitmap;
    OscBitmap->SetSize(PaintBox1->Width(), PaintBox1->Height());
    SpectrumBitmap = new TBitmap;
    SpectrumBitmap->SetSize(FFTBox->Width(), FFTBox->Height());
    for (double& v : Path.Rings.Oscillogram)
        v = 0.0;
    SavedWindowProc = WindowProc;
    WindowProc = [this](TMessage& m) { ForwardWindowProc(m); };
}

void TRxForm::ForwardWindowProc(TMessage& Message)
{
    SavedWindowProc(Message);
}

void TRxForm::FormActivate(TObject*)
{
    // Marked first: a failure box below runs messages, and its closing activates the window again.
    if (FirstActivationDone)
        return;
    FirstActivationDone = true;
    // Before anything is read or written, and before the sound input is taken from the copy that
    // runs there.
    if (!LockWorkingFolder())
        return;
    LoadSettings();
    SetTimeZone(Tty_Params.UTCoffset);
    SetSpeed(Tty_Params.BaudRate);
    SetShift(Tty_Params.ShiftHz);
    SetMode(Tty_Params.Mode);
    OpenSoundInput();
    // After a device failure the program is ending: its box stays the only one.
    if (Application->Terminated())
        return;
    ParseCommandLine();
    EnsureDirectory(rx::kRawLogDir, rx::TFailureSource::RawLog);
    RollRawLog();
    Timer1->SetEnabled(true);
    LoadMessageTree();
}

bool TRxForm::LockWorkingFolder()
{
    if (rx::LockFolder(".", FolderLock) != rx::TFolderLock::Taken)
        return true;
    FolderInUse = true;
    EndWithFailure(rx::FolderInUseText(GetCurrentDir()), rx::kFolderInUseCaption);
    return false;
}

void TRxForm::EndWithFailure(const std::string& text, const std::string& caption)
{
    ExitStatus = 1;
    // Also for the terminal or the session log of a copy started where no one sees its window.
    std::fprintf(stderr, "morvik: %s\n", Trim(text).c_str());
    Application->MessageBox(text, caption, MB_OK | MB_ICONERROR);
    Application->Terminate();
}

void TRxForm::StopSequence()
{
    if (Sound->ClosingDown())
        return;
    Sound->SetClosingDown();
    Timer1->SetEnabled(false);
    StopSoundInput();
    // A last try for messages whose saving failed; those that still fail are told together, and
    // on a signal in the raw log as well, which holds their text.
    WritePendingMessages(false);
    TellUnsavedMessages();
    CloseRawLog();
}

void TRxForm::FormCloseQuery(TObject*, bool&)
{
    StopSequence();
}

void TRxForm::ExitClick(TObject*)
{
    StopSequence();
    Application->Terminate();
}

void TRxForm::FormDestroy(TObject*)
{
    delete OscBitmap;
    OscBitmap = nullptr;
    delete SpectrumBitmap;
    SpectrumBitmap = nullptr;
}

void TRxForm::EndTimerTick()
{
    InTimerTick = false;
    if (!DeferredReports.empty())
        PostMessage(Handle(), kShowReportsMessage, 0, 0);
}

void TRxForm::Timer1Timer(TObject*)
{
    // A box opened in here would hold this timer, and with it the panels, until it is closed:
    // what is to be told waits for the tick to end.
    InTimerTick = true;
    struct TTickEnd {
        TRxForm& Form;
        ~TTickEnd() { Form.EndTimerTick(); }
    } tickEnd{*this};
    if (Tty_Params.HoldOffTicks != 0)
        --Tty_Params.HoldOffTicks;
    // A device gone away is said once, in its panel and in one box, until it is back.
    const bool lost = Sound->DeviceLost();
    if (lost != ShownLost) {
        ShownLost = lost;
        if (lost) {
            StatusPanelText(kPanelFreeBuffers, kPanelNoSound);
            ReportFailure(rx::TFailureSource::SoundInput, rx::kSoundLostText, rx::kSoundLostCaption);
        } else {
            FailureMended(rx::TFailureSource::SoundInput);
            ShownQueued = -1;
        }
    }
    const int queued = Sound->BuffersQueued();
    if (!lost && queued != ShownQueued) {
        StatusPanelText(kPanelFreeBuffers, "FrB: " + std::to_string(queued));
        ShownQueued = queued;
    }
    // A message held on a quiet channel is on the disk soon after its file can be written again,
    // not hours later with the next message; with nothing held the tick does nothing here.
    if (PendingMessages.empty()) {
        PendingRetryTicks = 0;
    } else if (++PendingRetryTicks >= kPendingRetryTicks) {
        PendingRetryTicks = 0;
        WritePendingMessages();
    }
    if (Sound->BuffersWaiting() > 0)
        ProcessSoundQueue();
}

void TRxForm::Dispatch(TMessage& Message)
{
    if (Message.Msg == rx::kSoundBufferMessage) {
        ProcessSoundQueue(true);
        return;
    }
    if (Message.Msg == kShowReportsMessage) {
        ShowDeferredReports();
        return;
    }
    TForm::Dispatch(Message);
}

void TRxForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    switch (Key) {
    case VK_MULTIPLY:
        Tty_Params.BaudotShift = rx::kShiftFigures;
        Tty_Params.ExtendedRegister = 0;
        Key = 0;
        break;
    case VK_SUBTRACT:
        Tty_Params.BaudotShift = 0;
        Tty_Params.ExtendedRegister = 0;
        Key = 0;
        break;
    case VK_F1: HelpContents1Click(this); break;
    default: break;
    }
    if (Shift & ssAlt) {
        switch (Key) {
        case 'F': AfcButton->SetDown(!AfcButton->Down()); break;
        case 'G':
            if (Shift & ssCtrl)
                DecodeFromFile1Click(this);
            break;
        case 'S':
            Key = 0;
            SaveBuffer1Click(this);
            break;
        case 'Z': LogarithmicSpectrogramm1Click(this); break;
        default: break;
        }
    } else if ((Shift & ssCtrl) && Key == 'Z') {
        LogarithmicOscillogram1Click(this);
    }
}

// ---- toolbar ------------------------------------------------------------------------------------

void TRxForm::OnTopButtonClick(TObject*)
{
    SetFormStyle(OnTopButton->Down() ? fsStayOnTop : fsNormal);
}

void TRxForm::ReverseButtonClick(TObject*)
{
    rx::ReverseButtonClick(Tty_Params, ReverseButton->Down(), this);
}

void TRxForm::SquelchButtonClick(TObject*)
{
    rx::SquelchButtonClick(Tty_Params, SquelchButton->Down());
}

void TRxForm::SquelchUpDownClick(TObject*, TUDBtnType)
{
    rx::SquelchUpDownClick(Tty_Params, SquelchUpDown->Position());
}

// ---- hold-off -----------------------------------------------------------------------------------

void TRxForm::HoldOff() { Tty_Params.HoldOffTicks = kMenuHoldOffTicks; }
void TRxForm::File1Click(TObject*) { HoldOff(); }
void TRxForm::Setup1Click(TObject*) { HoldOff(); }
void TRxForm::Mode1Click(TObject*) { HoldOff(); }
void TRxForm::Speed1Click(TObject*) { HoldOff(); }
void TRxForm::Shift1Click(TObject*) { HoldOff(); }
void TRxForm::Help1Click(TObject*) { HoldOff(); }
void TRxForm::PTTInterfaceMenuClick(TObject*) { HoldOff(); }
void TRxForm::View1Click(TObject*) { HoldOff(); }
void TRxForm::FontsandColors1Click(TObject*) { HoldOff(); }
void TRxForm::TimeZone1Click(TObject*) { HoldOff(); }

void TRxForm::RxMemoMouseDown(TObject*, TMouseButton, TShiftState, int, int)
{
    Tty_Params.MemoClicked = 1;
    Tty_Params.HoldOffTicks = 0;
}

// ---- tuning -------------------------------------------------------------------------------------

void TRxForm::SetSpeed(int baud) { rx::SetSpeed(Tty_Params, Path.Demod, baud, this); }
void TRxForm::SetShift(int hz) { rx::SetShift(Tty_Params, hz, this); }
void TRxForm::SetMode(int mode)
{
    const int before = Tty_Params.Mode;
    rx::SetMode(Tty_Params, Path.Demod, mode, this);
    if (Tty_Params.Mode != before)
        RestartReception();
}

void TRxForm::RestartReception()
{
    // What follows starts as in a receiver just started: nothing left half done before (a
    // character, a bit clock, a filter's history, peaks the AFC would follow, a message) runs into
    // its first characters. A message broken off is saved as it stands.
    Decoder.Restart();
    Path.Demod.ClearHistory();
    Path.ClearPeakSpectrum();
    if (Detector.Cut()) {
        StatusPanelText(kPanelMessage, " ");
        SaveMessage(Detector.Completed);
    }
    // The line broken off ends here, in the window and the raw log: the next broadcast starts one
    // of its own.
    if (Folding.LineOpen)
        AppendReceivedChar('\r');
    Folding = rx::TLineFolding();
}

void TRxForm::FFTBoxMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int)
{
    rx::TMouseHeld held;
    held.Left = Button == mbLeft || (Shift & ssLeft);
    held.Right = Button == mbRight || (Shift & ssRight);
    held.Ctrl = Shift & ssCtrl;
    rx::SpectrumMouseDown(Tty_Params, X, SpectrumXOffset, held);
}

void TRxForm::FFTBoxMouseMove(TObject*, TShiftState Shift, int X, int)
{
    rx::TMouseHeld held;
    held.Left = Shift & ssLeft;
    held.Right = Shift & ssRight;
    held.Ctrl = Shift & ssCtrl;
    rx::SpectrumMouseMove(Tty_Params, X, SpectrumXOffset, held);
}

void TRxForm::SpeedItemChecked(int baud)
{
    switch (baud) {
    case 45: N45Baud1->SetChecked(true); break;
    case 75: N75Baud1->SetChecked(true); break;
    case 100: N100Baud1->SetChecked(true); break;
    default: N50Baud1->SetChecked(true); break;
    }
}

void TRxForm::ShiftItemChecked(int item)
{
    switch (item) {
    case 85: N85HzShift1->SetChecked(true); break;
    case 425: N425HzShift1->SetChecked(true); break;
    case 850: N850HzShift1->SetChecked(true); break;
    default: N170HzShift1->SetChecked(true); break;
    }
}

void TRxForm::ModeItemChecked(int mode, bool speedAndShiftEnabled)
{
    (mode == rx::kModeNavtex ? AMTORFEC1 : RTTY1)->SetChecked(true);
    Speed1->SetEnabled(speedAndShiftEnabled);
    Shift1->SetEnabled(speedAndShiftEnabled);
}

void TRxForm::StatusPanelText(int panel, const std::string& text)
{
    StatusBar1->Panels()->Items(panel)->SetText(text);
}

void TRxForm::ReverseCaption(const std::string& caption)
{
    ReverseButton->SetCaption(caption);
}
