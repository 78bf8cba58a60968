// TRxForm: the receiver's main window. It places the controls, runs the start-up at its first
// activation and the stop sequence at the end, ticks the display hold-off, routes the sound
// buffer message to the sound input, and implements what the signal path, the tuning setters
// and the sound input ask of a window. The signal processing itself lives in the window-less
// units it calls.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ComCtrls.h"
#include "platform/Forms.h"
#include "receiver/Decoder.h"
#include "receiver/Displays.h"
#include "receiver/MessageCapture.h"
#include "receiver/RxText.h"
#include "receiver/Settings.h"
#include "receiver/SignalPath.h"
#include "receiver/SoundInput.h"
#include "receiver/Tuning.h"

class TBevel;
class TBitmap;
class TExTree;
class TExTreeItem;
class TColorDialog;
class TEdit;
class TFontDialog;
class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TPaintBox;
class TPanel;
class TSaveDialog;
class TSpeedButton;
class TSplitter;
class TStatusBar;
class TStyleMemo;
class TTimer;

// Number of the status-bar panels, and those this window writes itself.
constexpr int kStatusPanels = 9;
constexpr int kPanelMode = 0;
constexpr int kPanelSpeed = 1;
constexpr int kPanelCentre = 2;
constexpr int kPanelShift = 3;
constexpr int kPanelCapture = 4;
constexpr int kPanelFreeBuffers = 6;
constexpr int kPanelMessage = 7;
constexpr int kPanelMessageOutcome = 8;
// What panel 6 shows while the sound device is gone.
inline constexpr const char* kPanelNoSound = "No sound";
// Posted to the window: the reports that could not be shown where they arose are shown now.
constexpr UINT kShowReportsMessage = WM_APP + 1;
// Ticks of 100 ms during which neither display is drawn after a menu opens.
constexpr int kMenuHoldOffTicks = 40;
// Ticks of 100 ms between two tries of the messages whose files could not be written.
constexpr int kPendingRetryTicks = 30;

class TRxForm : public TForm,
                private rx::TTuningView,
                private rx::TRxSignalHost,
                private rx::TSoundHost {
public:
    // waveIn: the sound input calls (the platform's when null); tests stand in for a device.
    explicit TRxForm(TComponent* AOwner, const rx::TWaveInApi* waveIn = nullptr);
    ~TRxForm() override;

    // ---- components, top to bottom
    TPanel* Panel1;
    TSpeedButton* OnTopButton;
    TSpeedButton* ReverseButton;
    TEdit* AfcEdit;
    TUpDown* AfcUpDown;
    TSpeedButton* AfcButton;
    TEdit* SquelchEdit;
    TUpDown* SquelchUpDown;
    TSpeedButton* SquelchButton;
    TBevel* Bevel1;
    TPaintBox* FFTBox;
    TSplitter* Splitter1;
    TStyleMemo* RxMemo;
    TSplitter* Splitter2;
    TPanel* Panel2;
    TExTree* TreeView1;
    TSplitter* Splitter4;
    TStyleMemo* MessageMemo;
    TSplitter* Splitter3;
    TPaintBox* PaintBox1;
    TStatusBar* StatusBar1;
    TSaveDialog* SaveBufferDialog;
    TFontDialog* FontDialog1;
    TColorDialog* ColorDialog1;
    TOpenDialog* FileOpenDialog;
    TTimer* Timer1;

    // ---- menus
    TMainMenu* MainMenu1;
    TMenuItem* File1;
    TMenuItem* ClearBuffer1;
    TMenuItem* SaveBuffer1;
    TMenuItem* N12;
    TMenuItem* DecodeFromFile1;
    TMenuItem* N3;
    TMenuItem* Exit;
    TMenuItem* Setup1;
    TMenuItem* PTTInterfaceMenu;
    // The port items in menu order (NonePtt, Com1Ptt, ...), then the line items.
    TMenuItem* PttPortItems[rx::kPttPorts];
    TMenuItem* N8;
    TMenuItem* UseRTS1;
    TMenuItem* UseDTR1;
    TMenuItem* UseRTSDTR1;
    TMenuItem* N1;
    TMenuItem* EnglishCharset1;
    TMenuItem* RussianCharset1;
    TMenuItem* EnglishRussianCharset1;
    TMenuItem* SwedishCharset1;
    TMenuItem* UserdefinedCharset1;
    TMenuItem* N2;
    TMenuItem* UnshiftOnSpace1;
    TMenuItem* ExtendedBaudot1;
    TMenuItem* FastSync1;
    TMenuItem* DontSaveSYNOPMessages1;
    TMenuItem* N5;
    TMenuItem* View1;
    TMenuItem* ViewOscWindowMenu;
    TMenuItem* N11;
    TMenuItem* LogarithmicSpectrogramm1;
    TMenuItem* LogarithmicOscillogram1;
    TMenuItem* FontsandColors1;
    TMenuItem* RxWindowFontSetup1;
    TMenuItem* RxWindowBackgroundSetup1;
    TMenuItem* SpectrogrammBackgroundSetup1;
    TMenuItem* OscillogrammBackgroundSetup1;
    TMenuItem* N4;
    TMenuItem* TimeZone1;
    // The zone items in menu order (ByOS1, UTCm1200, ...).
    TMenuItem* TimeZoneItems[rx::kTimeZones];
    TMenuItem* N10;
    TMenuItem* SaveSetup1;
    TMenuItem* Mode1;
    TMenuItem* RTTY1;
    TMenuItem* AMTORFEC1;
    TMenuItem* Speed1;
    TMenuItem* N45Baud1;
    TMenuItem* N50Baud1;
    TMenuItem* N75Baud1;
    TMenuItem* N100Baud1;
    TMenuItem* Shift1;
    TMenuItem* N85HzShift1;
    TMenuItem* N170HzShift1;
    TMenuItem* N425HzShift1;
    TMenuItem* N850HzShift1;
    TMenuItem* Help1;
    TMenuItem* HelpContents1;
    TMenuItem* About1;

    // ---- life cycle
    void FormCreate(TObject* Sender);
    void FormActivate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void ExitClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void Dispatch(TMessage& Message) override;
    void ForwardWindowProc(TMessage& Message);

    // ---- toolbar
    void OnTopButtonClick(TObject* Sender);
    void ReverseButtonClick(TObject* Sender);
    void SquelchButtonClick(TObject* Sender);
    void SquelchUpDownClick(TObject* Sender, TUDBtnType Button);

    // ---- hold-off: opening these menus stops both displays for a while
    void File1Click(TObject* Sender);
    void Setup1Click(TObject* Sender);
    void Mode1Click(TObject* Sender);
    void Speed1Click(TObject* Sender);
    void Shift1Click(TObject* Sender);
    void Help1Click(TObject* Sender);
    void PTTInterfaceMenuClick(TObject* Sender);
    void View1Click(TObject* Sender);
    void FontsandColors1Click(TObject* Sender);
    void TimeZone1Click(TObject* Sender);
    void RxMemoMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    // ---- tuning
    void SetSpeed(int baud);
    void SetShift(int hz);
    void SetMode(int mode);
    // The received stream broke off (another mode, a file decode starting or ending, the sound
    // input lost or run dry): the decoder starts afresh and a message being collected is saved.
    void RestartReception();
    void N45Baud1Click(TObject* Sender);
    void N50Baud1Click(TObject* Sender);
    void N75Baud1Click(TObject* Sender);
    void N100Baud1Click(TObject* Sender);
    void N85HzShift1Click(TObject* Sender);
    void N170HzShift1Click(TObject* Sender);
    void N425HzShift1Click(TObject* Sender);
    void N850HzShift1Click(TObject* Sender);
    void RTTY1Click(TObject* Sender);
    void AMTORFEC1Click(TObject* Sender);
    void FFTBoxMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FFTBoxMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

    // ---- character sets
    void EnglishCharset1Click(TObject* Sender);
    void RussianCharset1Click(TObject* Sender);
    void SwedishCharset1Click(TObject* Sender);
    void EnglishRussianCharset1Click(TObject* Sender);
    void UnshiftOnSpace1Click(TObject* Sender);
    void ExtendedBaudot1Click(TObject* Sender);
    void UserdefinedCharset1Click(TObject* Sender);
    void FastSync1Click(TObject* Sender);

    // ---- settings file
    // The two values creation reads: the stay-on-top style and the time-zone offset.
    void ReadCreationSettings();
    void LoadSettings();
    void SaveSetup1Click(TObject* Sender);

    // ---- PTT port and time zone: stored and shown, nothing is keyed
    void SetPttInterface(int port, int mask);
    void SetTimeZone(int offset);
    // A port item (by its code) or a line item (by its mask) was chosen.
    void PttPortClick(int port);
    void PttLineClick(int mask);
    void TimeZoneClick(int offset);

    // ---- fonts and colours, help, about
    void RxWindowFontSetup1Click(TObject* Sender);
    void RxWindowBackgroundSetup1Click(TObject* Sender);
    void SpectrogrammBackgroundSetup1Click(TObject* Sender);
    void OscillogrammBackgroundSetup1Click(TObject* Sender);
    void HelpContents1Click(TObject* Sender);
    void About1Click(TObject* Sender);

    // ---- displays
    void DrawSpectrum();
    void DrawOscillogram();
    void ShowOscillogram(bool show);
    void ViewOscWindowMenuClick(TObject* Sender);
    void Splitter3Moved(TObject* Sender);
    void LogarithmicSpectrogramm1Click(TObject* Sender);
    void LogarithmicOscillogram1Click(TObject* Sender);

    // ---- sound
    void OpenSoundInput();
    void StopSoundInput();
    void ProcessSoundQueue(bool message = false);
    void ProcessSoundBuffer(const std::int16_t* samples, bool fromFile) override;
    void DecodeFromFile1Click(TObject* Sender);

    // ---- command line
    void ParseCommandLine();
    void ApplyCommandOption(const std::string& option);

    // Makes sure a folder exists, and says so (as a failure of source) when it cannot be made.
    bool EnsureDirectory(const std::string& path, rx::TFailureSource source);

    // ---- received text: every decoded byte comes through here
    void AppendReceivedChar(char c);
    void ClearBuffer1Click(TObject* Sender);
    void SaveBuffer1Click(TObject* Sender);
    // ---- the day's raw log
    void RollRawLog();
    bool OpenCaptureFile(const std::string& FileName);
    // Writes the bytes not yet in the log, on the disk when sync is asked for.
    void FlushRawLog(bool sync);
    void CloseRawLog();
    // ---- messages
    void DetectMessage(char b);
    void SaveMessage(const std::string& text);
    // Saves the waiting messages, oldest first; a message whose file fails stays and holds back
    // only the later ones of the same file, and is tried again with the next message and every
    // kPendingRetryTicks ticks. Each failure is told once per message when asked.
    void WritePendingMessages(bool tellFailures = true);
    // At the end of the run: the messages that still could not be saved, by file, in one box.
    void TellUnsavedMessages();
    void DontSaveSYNOPMessages1Click(TObject* Sender);
    // ---- the message archive: tree and viewer
    void LoadMessageTree();
    // A saved file (a name such as 070315-061502.TXT) gets its node in place, unless it has one;
    // other names are skipped.
    void AddMessageToTree(const std::string& FileName);
    void TreeView1AfterSelectionChange(TObject* Sender);
    void TreeView1DblClick(TObject* Sender);
    void TreeView1CompareItems(TObject* Sender, TExTreeItem* Item1, TExTreeItem* Item2, Integer& Res);
    void ShowMessageFile(const std::string& DateText, const std::string& TimeText);
    void OpenMessageInNotepad(const std::string& DateText, const std::string& TimeText);
    // Failures met while text is received: each source is told once until it works again, and
    // never from inside a pass over the sound buffers.
    void ReportFailure(rx::TFailureSource source, const std::string& text, const std::string& caption);
    void ShowDeferredReports();
    // Tells the user now, or after the pass over the sound buffers; a report already waiting is
    // not repeated. A report of a source (and of subject, a message file) goes unshown when that
    // works again before its box could open.
    void TellFailure(const std::string& text, const std::string& caption, int source = -1,
                     const std::string& subject = "");
    // The source works again (for Messages: subject's file was saved): it is told anew when it
    // fails again, and what still waits to be told of it is dropped.
    void FailureMended(rx::TFailureSource source, const std::string& subject = "");

    // ---- state
    rx::TRxSignalPath Path;
    rx::TRxDecoder Decoder;
    std::unique_ptr<rx::TSoundInput> Sound;
    TBitmap* OscBitmap = nullptr;
    TBitmap* SpectrumBitmap = nullptr;
    TWndMethod SavedWindowProc;
    bool FirstActivationDone = false;
    // Another copy runs in the working folder: this one told so and is ending.
    bool FolderInUse = false;
    // The program's exit status: 1 once a failure ends it.
    int ExitStatus = 0;
    int SpectrumXOffset = 0;
    // What panels 2, 3 and 6 show, so that each is written only when it changes.
    int ShownCentreStep = 10000;
    int ShownShiftStep = 10000;
    int ShownQueued = 99;
    bool ShownLost = false;

    // ---- received text, raw log and messages
    std::string RxHistory;
    // Above this the oldest received lines leave RxHistory (the raw logs keep them).
    std::size_t RxHistoryLimit = rx::kHistoryLimit;
    bool TrimActive = false;
    rx::TLineFolding Folding;
    int RawLogDay = -1;
    // Received bytes not yet written to the raw log, and whether its last write failed.
    std::string RawLogPending;
    bool RawLogFailing = false;
    rx::TMessageDetector Detector;
    std::vector<rx::TPendingMessage> PendingMessages;

private:
    void CreateComponents();
    void EndTimerTick();
    bool InTimerTick = false;
    int PendingRetryTicks = 0;
    void CreateMenus();
    void StopSequence();
    // Takes the working folder's lock, or tells that another copy holds it.
    bool LockWorkingFolder();
    // Tells the failure in a box and on the standard error, and ends the program with status 1.
    void EndWithFailure(const std::string& text, const std::string& caption);
    int FolderLock = -1;
    void HoldOff();
    void CheckCharsetItem(TMenuItem* item, int index);

    // TTuningView
    void SpeedItemChecked(int baud) override;
    void ShiftItemChecked(int item) override;
    void ModeItemChecked(int mode, bool speedAndShiftEnabled) override;
    void StatusPanelText(int panel, const std::string& text) override;
    void ReverseCaption(const std::string& caption) override;
    // TRxSignalHost
    bool AfcEnabled() override;
    int AfcRange() override;
    void SpectrumReady(bool fromFile) override;
    void OscillogramPoint() override;
    void BlockDone(bool fromFile) override;
    // TSoundHost
    void SoundFailure(const std::string& text, const std::string& caption) override;
    void ProcessMessages() override;
    void InputEdge() override;

    bool SpectrumPainting = false;
    bool OscPainting = false;
    // What the display bitmaps hold.
    rx::TSpectrumPicture ShownSpectrum;
    rx::TOscillogramPicture ShownOscillogram;
    // New oscillogram points since the last picture of it.
    bool OscPointsPending = false;
    // Decode From File asked for from inside a pass over the live buffers: it runs when the
    // pass has ended.
    bool DecodeRequested = false;
    bool InDecodeFromFile = false;
    // Save Buffer: under way (its dialog is open), or asked for inside a pass over the buffers.
    bool SaveBufferBusy = false;
    bool SaveRequested = false;
    // Save Setup under way: a second one asked for meanwhile does nothing.
    bool SaveRunning = false;
    void ApplyWindowGeometry(int left, int top, int height, int width, int fftHeight, int rxHeight,
                             int mHeight, int dHeight);
    void TrimReceiveWindow();
    void KeepInHistory(const std::string& bytes);
    void WriteBufferFile(const std::string& FileName);
    bool FailureTold[rx::kFailureSources] = {};
    struct TReport {
        std::string Text, Caption;
        int Source;  // a TFailureSource, or -1
        std::string Subject;
        bool operator==(const TReport&) const = default;
    };
    std::deque<TReport> DeferredReports;
    bool ShowingReports = false;
    // A message file is being read into the viewer; another showing was asked for meanwhile.
    bool ViewerLoading = false;
    bool ViewerStale = false;
};
