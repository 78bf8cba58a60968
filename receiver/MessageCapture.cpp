// Message capture: the detector, the SYNOP test, the message files and the main window's side.
#include "receiver/MessageCapture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/ComCtrls.h"
#include "platform/DateUtils.h"
#include "platform/Menus.h"
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
    const int fd = OpenForAppend(FileName);
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
    if (!written && sized && S_ISREG(before.st_mode))
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
    PendingMessages.push_back({now, text});
    PendingMessageBytes += text.size();
    // A failure that lasts: the oldest waiting messages go (the raw log and the receive buffer
    // have them), and the user was told when the first could not be saved.
    while (PendingMessageBytes > rx::kPendingMessageLimit && PendingMessages.size() > 1) {
        PendingMessageBytes -= PendingMessages.front().Text.size();
        PendingMessages.pop_front();
    }
    WritePendingMessages();
}

void TRxForm::WritePendingMessages()
{
    while (!PendingMessages.empty()) {
        if (!EnsureDirectory(rx::kMessageDir, TFailureSource::Messages))
            return;
        const rx::TPendingMessage& m = PendingMessages.front();
        switch (rx::AppendMessageFile(rx::MessageFileName(m.Time), m.Text)) {
        case rx::TMessageWrite::OpenFailed:
            ReportFailure(TFailureSource::Messages, rx::kFileOpenErrorText, rx::kFileErrorCaption);
            return;
        case rx::TMessageWrite::WriteFailed:
            ReportFailure(TFailureSource::Messages, rx::kFileWriteErrorText, rx::kFileErrorCaption);
            return;
        case rx::TMessageWrite::Saved: break;
        }
        const std::string shortName = rx::MessageShortName(m.Time);
        PendingMessageBytes -= m.Text.size();
        PendingMessages.pop_front();
        FailureTold[static_cast<int>(TFailureSource::Messages)] = false;
        StatusPanelText(kPanelMessageOutcome, "Message saved");
        // The new node goes in place and the user's focus stays where it was; the viewer follows
        // the focused node (focus moved from code raises no selection event).
        TExTreeItem* focused = TreeView1->GetFocused();
        AddMessageToTree(shortName);
        if (focused)
            TreeView1->SetFocused(focused);
        TreeView1AfterSelectionChange(TreeView1);
    }
}

void TRxForm::DontSaveSYNOPMessages1Click(TObject*)
{
    Tty_Params.IgnoreSYNOP = Tty_Params.IgnoreSYNOP ? 0 : 1;
    DontSaveSYNOPMessages1->SetChecked(Tty_Params.IgnoreSYNOP != 0);
}

