// The main window's received text: the one door every decoded byte comes through, the receive
// window with its history, Clear Buffer and Save Buffer, the day's raw log, and the reports of
// failures met on the way.
#include "receiver/RxText.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "memo/Stylememo.h"
#include "platform/ComCtrls.h"
#include "platform/DateUtils.h"
#include "platform/Dialogs.h"
#include "platform/FileUtils.h"
#include "platform/ProcessSignals.h"
#include "receiver/RxForm.h"
#include "receiver/SampleFile.h"

namespace rx {

std::string TLineFolding::Fold(char c, bool& lineBreak)
{
    lineBreak = false;
    LineOpen = c != '\r' && c != '\n';
    if (c == '\r') {
        if (BreakPending)
            return std::string();
        BreakPending = true;
        BreakFromCR = true;
        lineBreak = true;
        return "\r\n";
    }
    if (c == '\n') {
        const bool fromCR = BreakFromCR;
        BreakPending = true;
        BreakFromCR = false;
        if (fromCR)
            return std::string();
        lineBreak = true;
        return "\r\n";
    }
    BreakPending = false;
    BreakFromCR = false;
    return std::string(1, c);
}

std::string RawLogName(const TSystemTime& t)
{
    return Format("%s/%02d-%02d-%02d.TXT", kRawLogDir, t.wYear % 100, t.wMonth, t.wDay);
}

int OpenForAppend(const std::string& FileName)
{
    const int fd = ::open(FileName.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return fd < 0 ? -1 : fd;
}

TFolderLock LockFolder(const std::string& folder, int& fd)
{
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return TFolderLock::Unknown;
    // Held by the open folder itself: no file is left behind, and a copy that crashes gives it up.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return TFolderLock::Held;
    const bool taken = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return taken ? TFolderLock::Taken : TFolderLock::Unknown;
}

std::string FolderInUseText(const std::string& folder)
{
    return "Morvik is already running in " + folder +
           ". Two copies would save every message and log every line twice in the same files, so this "
           "copy ends. To receive from a second sound card, start it in another folder.";
}

std::size_t WriteFully(int fd, const char* data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(fd, data + done, n - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            break;
        done += static_cast<std::size_t>(w);
    }
    return done;
}

bool SyncData(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

}  // namespace rx

using rx::TFailureSource;

// ---- the one door --------------------------------------------------------------------------------

void TRxForm::AppendReceivedChar(char c)
{
    if (c == 0)
        return;
    bool lineBreak = false;
    const std::string out = Folding.Fold(c, lineBreak);
    TrimReceiveWindow();
    const Integer s = RxMemo->SelStart();
    const Integer n = RxMemo->SelLength();
    // The user's caret back at the end of the text with nothing selected: the window follows the
    // text again, as before the click.
    if (Tty_Params.MemoClicked && n == 0 && s == RxMemo->TextLen())
        Tty_Params.MemoClicked = 0;
    if (!out.empty()) {
        RxMemo->setSelStart(RxMemo->TextLen());
        RxMemo->setSelLength(0);
        RxMemo->setSelText(out);
    }
    if (n != 0 || Tty_Params.MemoClicked) {
        RxMemo->setSelStart(s);
        RxMemo->setSelLength(n);
    }
    if (Tty_Params.RawLogOpen && RawLogPending.size() < rx::kRawLogPendingLimit) {
        RawLogPending += out;
        // A long run without a line end (noise) goes out in pieces; a failing log is tried
        // again at line ends only.
        if (RawLogPending.size() >= rx::kRawLogChunk && !RawLogFailing && !lineBreak)
            FlushRawLog(false);
    }
    for (char b : out)
        DetectMessage(b);
    if (lineBreak) {
        FlushRawLog(true);
        RollRawLog();
    }
}

void TRxForm::TrimReceiveWindow()
{
    const Integer length = RxMemo->TextLen();
    if (length > rx::kTrimAbove)
        TrimActive = true;
    if (!TrimActive)
        return;
    if (length < rx::kTrimBelow) {
        TrimActive = false;
        return;
    }
    TStrings* lines = RxMemo->Lines();
    const std::string line = lines->Get(0);
    lines->Delete(0);
    // A display line is a piece of a word-wrapped received line: the line break goes with it
    // only when it was received there, so the history keeps the bytes as they came.
    KeepInHistory(line);
    if (length - RxMemo->TextLen() > static_cast<Integer>(line.size()))
        KeepInHistory("\r\n");
}

void TRxForm::KeepInHistory(const std::string& bytes)
{
    RxHistory += bytes;
    if (RxHistory.size() <= RxHistoryLimit)
        return;
    std::size_t cut = RxHistory.size() - RxHistoryLimit / 4 * 3;
    const std::size_t lineEnd = RxHistory.find('\n', cut - 1);
    if (lineEnd != std::string::npos)
        cut = lineEnd + 1;
    RxHistory.erase(0, cut);
}

// ---- Clear Buffer, Save Buffer ------------------------------------------------------------------

void TRxForm::ClearBuffer1Click(TObject*)
{
    Tty_Params.HoldOffTicks = 0;
    RxMemo->Clear();
    RxHistory.clear();
}

void TRxForm::SaveBuffer1Click(TObject*)
{
    if (SaveBufferBusy)
        return;
    // The dialog would hold the sound queue for as long as it is open: it opens after the pass.
    if (Sound->QueueBusy()) {
        SaveRequested = true;
        return;
    }
    SaveBufferBusy = true;
    try {
        SaveBufferDialog->Title = rx::kSaveBufferTitle;
        SaveBufferDialog->Options =
            OpenOption(ofOverwritePrompt) | OpenOption(ofHideReadOnly) | OpenOption(ofNoReadOnlyReturn);
        if (SaveBufferDialog->Execute())
            WriteBufferFile(SaveBufferDialog->FileName);
    } catch (...) {
        Application->MessageBox(rx::kSaveBufferErrorText, rx::kFileErrorCaption, MB_OK | MB_ICONERROR);
    }
    SaveBufferBusy = false;
}

void TRxForm::WriteBufferFile(const std::string& FileName)
{
    const int fd = FileCreate(FileName);
    if (fd < 0) {
        Application->MessageBox(rx::kFileOpenErrorText, rx::kFileErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    const std::string text = RxMemo->GetTextPart(0, RxMemo->TextLen());
    for (const std::string* part : {static_cast<const std::string*>(&RxHistory), &text}) {
        if (rx::WriteFully(fd, part->data(), part->size()) != part->size()) {
            Application->MessageBox(rx::kFileWriteErrorText, rx::kFileErrorCaption, MB_OK | MB_ICONERROR);
            break;
        }
    }
    FileClose(fd);
}

// ---- the raw log --------------------------------------------------------------------------------

void TRxForm::RollRawLog()
{
    TSystemTime now;
    GetLocalTime(now);
    if (now.wDay == RawLogDay)
        return;
    CloseRawLog();
    StatusPanelText(kPanelCapture, " ");
    // A folder removed while the program runs is made again, so that the new day is logged.
    if (EnsureDirectory(rx::kRawLogDir, TFailureSource::RawLog))
        OpenCaptureFile(rx::RawLogName(now));
    RawLogDay = now.wDay;
}

bool TRxForm::OpenCaptureFile(const std::string& FileName)
{
    const int fd = rx::OpenForAppend(FileName);
    std::FILE* stream = fd < 0 ? nullptr : ::fdopen(fd, "ab");
    if (!stream) {
        if (fd >= 0)
            ::close(fd);
        ReportFailure(TFailureSource::RawLog, rx::kFileOpenErrorText, rx::kFileErrorCaption);
        return false;
    }
    Tty_Params.RawLogFile = stream;
    Tty_Params.RawLogOpen = 1;
    StatusPanelText(kPanelCapture, "Capt");
    return true;
}

void TRxForm::FlushRawLog(bool sync)
{
    if (!Tty_Params.RawLogFile || RawLogPending.empty())
        return;
    // Written at the descriptor, so that a refused write leaves exactly the unwritten bytes here.
    const int fd = ::fileno(Tty_Params.RawLogFile);
    RawLogPending.erase(0, rx::WriteFully(fd, RawLogPending.data(), RawLogPending.size()));
    if (RawLogPending.empty() && (!sync || rx::SyncData(fd))) {
        if (RawLogFailing) {
            RawLogFailing = false;
            StatusPanelText(kPanelCapture, "Capt");
        }
        FailureMended(TFailureSource::RawLog);
        return;
    }
    if (!RawLogFailing) {
        RawLogFailing = true;
        StatusPanelText(kPanelCapture, " ");
    }
    ReportFailure(TFailureSource::RawLog, rx::kFileWriteErrorText, rx::kFileErrorCaption);
}

void TRxForm::CloseRawLog()
{
    if (Tty_Params.RawLogFile) {
        FlushRawLog(true);
        std::fclose(Tty_Params.RawLogFile);
    }
    Tty_Params.RawLogFile = nullptr;
    Tty_Params.RawLogOpen = 0;
    RawLogPending.clear();
    RawLogFailing = false;
}

// ---- failures -----------------------------------------------------------------------------------

bool TRxForm::EnsureDirectory(const std::string& path, TFailureSource source)
{
    if (DirectoryExists(path) || CreateDir(path))
        return true;
    ReportFailure(source, rx::kDirectoryErrorText, rx::kDirectoryErrorCaption);
    return false;
}

void TRxForm::ReportFailure(TFailureSource source, const std::string& text, const std::string& caption)
{
    bool& told = FailureTold[static_cast<int>(source)];
    if (told)
        return;
    told = true;
    TellFailure(text, caption, static_cast<int>(source));
}

void TRxForm::TellFailure(const std::string& text, const std::string& caption, int source, const std::string& subject)
{
    // Met again after it had worked for a while, while the first box still waits to be shown:
    // one box says it.
    const TReport report{text, caption, source, subject};
    if (std::find(DeferredReports.begin(), DeferredReports.end(), report) == DeferredReports.end())
        DeferredReports.push_back(report);
    ShowDeferredReports();
}

void TRxForm::FailureMended(TFailureSource source, const std::string& subject)
{
    FailureTold[static_cast<int>(source)] = false;
    // A box must not report what is no longer so (a full disk that has room again while another
    // box was open).
    std::erase_if(DeferredReports, [&](const TReport& r) {
        return r.Source == static_cast<int>(source) && (r.Subject.empty() || r.Subject == subject);
    });
}

void TRxForm::ShowDeferredReports()
{
    // A box opened inside a pass over the sound buffers would hold the queue for as long as it is
    // open, and the driver runs dry after 3 s; inside the timer's tick it would hold the timer.
    // It waits for the pass or the tick to end; its own message loop then keeps both going.
    // Once the program is ending nothing is held up by a box any more: the last reports show
    // wherever the stop began.
    if (ShowingReports || ((Sound->QueueBusy() || InDecodeFromFile || InTimerTick) && !Sound->ClosingDown()))
        return;
    ShowingReports = true;
    while (!DeferredReports.empty()) {
        const TReport report = DeferredReports.front();
        DeferredReports.pop_front();
        const std::string& text = report.Text;
        const std::string& caption = report.Caption;
        // Ended by a signal (the desktop's session, a terminal), the program may have no one to
        // answer a box and must not wait for one: what is left to tell goes to the standard error.
        // Asked for each: the stop may run while a box of this loop is being cancelled.
        if (Sound->ClosingDown() && TerminationSignal() != 0)
            std::fprintf(stderr, "morvik: %s: %s\n", caption.c_str(), text.c_str());
        else
            Application->MessageBox(text, caption, MB_OK | MB_ICONERROR);
    }
    ShowingReports = false;
}
