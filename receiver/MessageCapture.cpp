// Message capture: the detector, the SYNOP test, the message files and the main window's side.
#include "receiver/MessageCapture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/ComCtrls.h"
#include "platform/DateUtils.h"
#include "platform/Menus.h"
#include "platform/ProcessSignals.h"
#include "receiver/MessageArchive.h"
#include "receiver/RxForm.h"
#include "receiver/RxText.h"
#include "receiver/SampleFile.h"
#include "tree/Extree.h"

namespace rx {

namespace {

constexpr std::uint32_t kZCZC = 0x5A435A43;
constexpr std::uint32_t kNNNN = 0x4E4E4E4E;
constexpr std::size_t kMessageWriteChunk = 8192;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int IsSynopMessage(const std::string& text)
{
    if (text.compare(0, 5, "ZCZC ") != 0)
        return 1;
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string::npos)
        return 2;
    const std::size_t second = firstEnd + 1;
    if (text.size() - second < 7)
        return 3;
    if (text.compare(second, 2, "SM") != 0)
        return 4;
    if (text[second + 6] != ' ')
        return 5;
    const std::size_t secondEnd = text.find('\n', second);
    if (secondEnd == std::string::npos)
        return 6;
    const std::size_t thirdEnd = text.find('\n', secondEnd + 1);
    if (thirdEnd == std::string::npos)
        return 7;
    const std::size_t fourth = thirdEnd + 1;
    if (text.size() - fourth < 6)
        return 8;
    if (!std::all_of(text.begin() + static_cast<std::ptrdiff_t>(fourth),
                     text.begin() + static_cast<std::ptrdiff_t>(fourth + 5), IsDigit))
        return 9;
    if (text[fourth + 5] != ' ')
        return 10;
    return 0;
}

TMessageDetector::TEvent TMessageDetector::Feed(char b)
{
    DetectWindow = (DetectWindow << 8) | static_cast<unsigned char>(b);
    if (!FInMessage) {
        if (DetectWindow != kZCZC)
            return None;
        MessageText = "ZCZC";
        FInMessage = true;
        return Started;
    }
    MessageText += b;
    const bool restart = DetectWindow == kZCZC;
    if (!restart && DetectWindow != kNNNN && MessageText.size() < Limit)
        return None;
    MessageText += "\r\n";
    Completed.swap(MessageText);
    MessageText = restart ? "ZCZC" : "";
    FInMessage = restart;
    return restart ? Restarted : Ended;
}

bool TMessageDetector::Cut()
{
    DetectWindow = 0;
    if (!FInMessage)
        return false;
    MessageText += "\r\n";
    Completed.swap(MessageText);
    MessageText.clear();
    FInMessage = false;
    return true;
}

std::string MessageShortName(const TSystemTime& t)
{
    return Format("%02d%02d%02d-%02d%02d%02d.TXT", t.wYear % 100, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::string MessageFileName(const TSystemTime& t)
{
    return std::string(kMessageDir) + "/" + MessageShortName(t);
}

TMessageWrite AppendMessageFile(const std::string& FileName, const std::string& text)
{
    // Made here when missing, so that a failed first write takes the file away again: a message
    // held for a full disk leaves no empty file of its name behind.
    bool made = false;
    int fd = ::open(FileName.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(FileName.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        made = fd >= 0;
    }
    if (fd < 0)
        return TMessageWrite::OpenFailed;
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    bool written = true;
    for (std::size_t at = 0; written && at < text.size(); at += kMessageWriteChunk) {
        const std::size_t n = std::min(kMessageWriteChunk, text.size() - at);
        written = WriteFully(fd, text.data() + at, n) == n;
    }
    written = written && SyncData(fd);
    if (!written && made)
        ::unlink(FileName.c_str());
    else if (!written && sized && S_ISREG(before.st_mode))
        (void)!::ftruncate(fd, before.st_size);
    ::close(fd);
    return written ? TMessageWrite::Saved : TMessageWrite::WriteFailed;
}

}  // namespace rx

using rx::TFailureSource;

void TRxForm::DetectMessage(char b)
{
    switch (Detector.Feed(b)) {
    case rx::TMessageDetector::Started:
        StatusPanelText(kPanelMessage, "Message ...");
        StatusPanelText(kPanelMessageOutcome, " ");
        break;
    case rx::TMessageDetector::Ended:
        SaveMessage(Detector.Completed);
        StatusPanelText(kPanelMessage, " ");
        break;
    case rx::TMessageDetector::Restarted:
        SaveMessage(Detector.Completed);
        StatusPanelText(kPanelMessage, "Message ...");
        StatusPanelText(kPanelMessageOutcome, " ");
        break;
    default: break;
    }
}

void TRxForm::SaveMessage(const std::string& text)
{
    if (Tty_Params.IgnoreSYNOP && rx::IsSynopMessage(text) == 0) {
        StatusPanelText(kPanelMessageOutcome, "SYNOP message ignored");
        return;
    }
    TSystemTime now;
    GetLocalTime(now);
    // Messages whose files failed wait here and are tried again with every new one and on the
    // timer; nothing leaves the list unsaved but at the end of the run, and then the user is told.
    PendingMessages.push_back({now, text});
    WritePendingMessages();
}

void TRxForm::WritePendingMessages(bool tellFailures)
{
    if (PendingMessages.empty())
        return;
    // A folder that cannot be made is told once; the files in it then fail to open, each told.
    EnsureDirectory(rx::kMessageDir, TFailureSource::Messages);
    // A file that failed holds back only the later messages of the same file, so that they stay
    // in the order they came.
    std::vector<std::string> failedFiles;
    std::vector<std::pair<std::string, std::string>> reports;  // text, file
    for (std::size_t i = 0; i < PendingMessages.size();) {
        rx::TPendingMessage& m = PendingMessages[i];
        const std::string path = rx::MessageFileName(m.Time);
        if (std::find(failedFiles.begin(), failedFiles.end(), path) != failedFiles.end()) {
            ++i;
            continue;
        }
        const rx::TMessageWrite result = rx::AppendMessageFile(path, m.Text);
        if (result != rx::TMessageWrite::Saved) {
            failedFiles.push_back(path);
            if (tellFailures && !m.Told) {
                m.Told = true;
                reports.push_back({std::string(result == rx::TMessageWrite::OpenFailed ? rx::kFileOpenErrorText
                                                                                       : rx::kFileWriteErrorText) +
                                       "\n" + path,
                                   path});
            }
            ++i;
            continue;
        }
        const std::string shortName = rx::MessageShortName(m.Time);
        PendingMessages.erase(PendingMessages.begin() + static_cast<std::ptrdiff_t>(i));
        FailureMended(TFailureSource::Messages, path);
        StatusPanelText(kPanelMessageOutcome, "Message saved");
        // The new node goes in place and the user's focus stays where it was; the viewer follows
        // the focused node (focus moved from code raises no selection event). A message shown
        // stays as it was read unless its own file is the one just written: a large one must not
        // be read anew for every message saved.
        TExTreeItem* focused = TreeView1->GetFocused();
        AddMessageToTree(shortName);
        if (focused)
            TreeView1->SetFocused(focused);
        TExTreeItem* shown = TreeView1->GetFocused();
        const bool otherFileShown = shown && shown == focused && shown->Parent() &&
                                    rx::MessageFilePath(shown->Parent()->Text(), shown->Text()) != path;
        if (!otherFileShown)
            TreeView1AfterSelectionChange(TreeView1);
    }
    // Told once the list is consistent: a box runs the message loop, and with it the sound queue.
    for (const auto& [report, file] : reports)
        TellFailure(report, rx::kFileErrorCaption, static_cast<int>(TFailureSource::Messages), file);
}

void TRxForm::TellUnsavedMessages()
{
    std::vector<std::string> files;
    for (const rx::TPendingMessage& m : PendingMessages) {
        const std::string path = rx::MessageFileName(m.Time);
        if (std::find(files.begin(), files.end(), path) == files.end())
            files.push_back(path);
    }
    if (files.empty())
        return;
    std::string text = rx::kUnsavedMessagesText;
    for (std::size_t i = 0; i < files.size() && i < rx::kUnsavedMessagesNamed; ++i)
        text += "\n" + files[i];
    if (files.size() > rx::kUnsavedMessagesNamed)
        text += Format("\nand %zu more", files.size() - rx::kUnsavedMessagesNamed);
    if (TerminationSignal() != 0 && Tty_Params.RawLogOpen) {
        std::string line = "\r\n";
        for (char c : text)
            line += c == '\n' ? std::string("\r\n") : std::string(1, c);
        RawLogPending += line + "\r\n";
        FlushRawLog(true);
    }
    TellFailure(text, rx::kFileErrorCaption);
}

void TRxForm::DontSaveSYNOPMessages1Click(TObject*)
{
    Tty_Params.IgnoreSYNOP = Tty_Params.IgnoreSYNOP ? 0 : 1;
    DontSaveSYNOPMessages1->SetChecked(Tty_Params.IgnoreSYNOP != 0);
}

