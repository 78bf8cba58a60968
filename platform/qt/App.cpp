// The toolkit's application object, the event loop with posted calls and timers, the clock, and
// text conversion at the toolkit boundary.
#include <QApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QFont>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <exception>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "platform/Backend.h"
#include "platform/CmdLine.h"
#include "platform/CodePages.h"
#include "platform/DateUtils.h"
#include "platform/PaintCount.h"
#include "platform/qt/WindowRec.h"

#if defined(__SANITIZE_THREAD__)
// The toolkit hands a posted event over under locks of its own that the thread checker does not
// see; the event's sender and receiver say so, so the call it carries is not taken for a race.
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#define MORVIK_HANDED_OVER(p) __tsan_release(p)
#define MORVIK_TAKEN_OVER(p) __tsan_acquire(p)
#else
#define MORVIK_HANDED_OVER(p) ((void)(p))
#define MORVIK_TAKEN_OVER(p) ((void)(p))
#endif

namespace morvik::backend {
namespace {

QApplication* gApp = nullptr;
std::thread::id gMainThread;

int& ArgcStore()
{
    static int argc = 1;
    return argc;
}

// The toolkit takes the program's name from the first argument.
char** ArgvStore()
{
    static std::string name = ProgramName();
    static char* argv[] = {name.data(), nullptr};
    return argv;
}

// Given before the toolkit starts: applied as it starts.
std::string& ApplicationName()
{
    static std::string name;
    return name;
}

// Posted calls not yet delivered; any thread may post.
std::atomic<int> gPostedCalls{0};

// Receives posted calls; one object living on the main thread.
class Poster : public QObject {
public:
    struct CallEvent : QEvent {
        explicit CallEvent(std::function<void()> f) : QEvent(QEvent::User), fn(std::move(f)) {}
        std::function<void()> fn;
    };
    bool event(QEvent* e) override
    {
        MORVIK_TAKEN_OVER(e);
        if (e->type() == QEvent::User) {
            --gPostedCalls;
            auto fn = std::move(static_cast<CallEvent*>(e)->fn);
            if (fn)
                morvik::qtwin::Shielded(fn);
            return true;
        }
        return QObject::event(e);
    }
};

std::atomic<Poster*> gPoster{nullptr};

// Static initialisation runs on the process's first thread: the only one the toolkit may start on.
const std::thread::id gProcessThread = std::this_thread::get_id();
// Calls posted from other threads before the toolkit runs; the toolkit's start delivers them.
std::mutex gEarlyLock;
std::vector<std::function<void()>> gEarlyPosts;

struct TimerRec {
    QTimer* timer = nullptr;
    std::function<void()> fn;
    unsigned lastTick = 0;  // gTickSerial at its latest tick; 0: not yet ticked
};
unsigned gTickSerial = 0;
std::map<unsigned, TimerRec>& Timers()
{
    static std::map<unsigned, TimerRec> t;
    return t;
}
unsigned gNextTimer = 1;

// The toolkit's image work runs on pooled threads that end by themselves after a while idle. The
// application object lives to the end, so nothing joins them: a thread ending while the program
// ends races whatever runs at exit (the leak checker stalled on one). Join them first, but only in
// the process that started them: a forked child has none of them and would wait for ever.
pid_t gToolkitProcess = 0;
void JoinPooledThreads()
{
    if (::getpid() != gToolkitProcess)
        return;
    if (QThreadPool* pool = QThreadPool::globalInstance())
        pool->waitForDone();
}

}  // namespace

void EnsureToolkit()
{
    if (gApp)
        return;
    if (QCoreApplication::instance()) {
        gApp = qobject_cast<QApplication*>(QCoreApplication::instance());
    } else {
        gApp = new QApplication(ArgcStore(), ArgvStore());
        if (!ApplicationName().empty())
            QCoreApplication::setApplicationName(ToQString(ApplicationName()));
        // The toolkit adopts the user's locale for the C library; numbers in settings, command
        // lines and sample files are written with a point whatever the user's language.
        std::setlocale(LC_NUMERIC, "C");
        QApplication::setQuitOnLastWindowClosed(false);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(11);
        QApplication::setFont(f);
        gToolkitProcess = ::getpid();
        std::atexit(JoinPooledThreads);
    }
    // Another program took the keyboard (Alt+Tab among them): what the keys were doing here ends.
    if (gApp) {
        morvik::qtwin::WatchUnseenInput();
        QObject::connect(gApp, &QGuiApplication::applicationStateChanged, gApp, [](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                LeaveMenuBar();
        });
    }
    gMainThread = std::this_thread::get_id();
    std::lock_guard<std::mutex> g(gEarlyLock);
    gPoster = new Poster;
    for (auto& fn : gEarlyPosts)
        QCoreApplication::postEvent(gPoster.load(), new Poster::CallEvent(std::move(fn)));
    gEarlyPosts.clear();
}

bool IsMainThread() { return !gApp || std::this_thread::get_id() == gMainThread; }

bool ToolkitStarted() { return gApp != nullptr; }

void SetApplicationName(const std::string& name)
{
    ApplicationName() = name;
    if (gApp)
        QCoreApplication::setApplicationName(ToQString(name));
}

void Post(std::function<void()> fn)
{
    ++gPostedCalls;
    // Events posted to one receiver are delivered in the order posted, from any thread.
    if (!gPoster) {
        if (std::this_thread::get_id() != gProcessThread) {
            std::lock_guard<std::mutex> g(gEarlyLock);
            if (!gPoster) {
                gEarlyPosts.push_back(std::move(fn));
                return;
            }
        } else {
            EnsureToolkit();
        }
    }
    auto* call = new Poster::CallEvent(std::move(fn));
    MORVIK_HANDED_OVER(call);
    QCoreApplication::postEvent(gPoster.load(), call);
}

unsigned StartTimer(unsigned intervalMs, std::function<void()> fn)
{
    EnsureToolkit();
    unsigned id = gNextTimer++;
    auto* t = new QTimer(gPoster.load());
    t->setInterval(int(intervalMs));
    t->setTimerType(Qt::PreciseTimer);
    TimerRec rec;
    rec.timer = t;
    rec.fn = std::move(fn);
    Timers()[id] = std::move(rec);
    QObject::connect(t, &QTimer::timeout, [id] {
        auto it = Timers().find(id);
        if (it != Timers().end()) {
            auto fn = it->second.fn;  // the handler may stop its own timer
            ++morvik::qtwin::gPaintCounts.TimerTicks;
            it->second.lastTick = ++gTickSerial;
            morvik::qtwin::Shielded(fn);
        }
    });
    t->start();
    return id;
}

void StopTimer(unsigned id)
{
    auto it = Timers().find(id);
    if (it == Timers().end())
        return;
    it->second.timer->stop();
    it->second.timer->deleteLater();
    Timers().erase(it);
}

void ProcessPending()
{
    EnsureToolkit();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    morvik::qtwin::RaiseShielded();
}

void SyncWithWindowSystem()
{
    EnsureToolkit();
    QGuiApplication::sync();
    ProcessPending();
}

void WaitForEvents()
{
    EnsureToolkit();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    morvik::qtwin::RaiseShielded();
}

DWORD Now() { return GetTickCount(); }

QString ToQString(const std::string& bytes, int charset)
{
    // Most text is plain ASCII, and Windows-1252 is Latin-1 outside 0x80..0x9F: those need no
    // table.
    int cp = CharsetToCodePage(Byte(charset));
    if (cp == 1252 || cp == 1251) {
        bool plain = true;
        for (char c : bytes) {
            auto b = static_cast<unsigned char>(c);
            if (b >= 0x80 && (cp == 1251 || b < 0xA0)) {
                plain = false;
                break;
            }
        }
        if (plain)
            return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    }
    return QString::fromStdU32String(CodePageToUtf32(bytes, CharsetToCodePage(Byte(charset))));
}

std::string FromQString(const QString& text, int charset)
{
    return Utf32ToCodePage(text.toStdU32String(), CharsetToCodePage(Byte(charset)));
}

std::string UserTextToCodePage(const QString& text, int codePage, bool* leftOut)
{
    std::string out;
    out.reserve(size_t(text.size()));
    bool lost = false;
    // Composed first, so that a letter followed by a combining accent is the accented letter.
    for (char32_t c : text.normalized(QString::NormalizationForm_C).toStdU32String()) {
        Byte b = 0;
        if (CharToCodePage(c, codePage, b)) {
            out += char(b);
            continue;
        }
        bool any = false;
        const QString parts = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
        for (char32_t p : parts.toStdU32String())
            if (p != c && CharToCodePage(p, codePage, b)) {
                out += char(b);
                any = true;
            }
        lost = lost || !any;
    }
    if (leftOut)
        *leftOut = lost;
    return out;
}

}  // namespace morvik::backend

void Sleep(DWORD ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

Integer MulDiv(Integer Number, Integer Numerator, Integer Denominator)
{
    if (Denominator == 0)
        return -1;
    Int64 p = Int64(Number) * Numerator;
    // Rounds half away from zero, as the system does.
    Int64 half = (Denominator < 0 ? -Int64(Denominator) : Int64(Denominator)) / 2;
    Int64 r = (p >= 0) == (Denominator > 0) ? (p + (p >= 0 ? half : -half)) / Denominator
                                            : (p + (p >= 0 ? half : -half)) / Denominator;
    return Integer(r);
}

namespace PaintCount {

TCounts Counts() { return morvik::qtwin::gPaintCounts; }
void Reset() { morvik::qtwin::gPaintCounts = TCounts{}; }
int RunningTimers()
{
    // A caret on show blinks: that is work while its window has the focus.
    const auto& caret = morvik::qtwin::gCaret;
    return int(morvik::backend::Timers().size()) - (caret.timer && caret.hideLevel == 0 ? 1 : 0);
}

unsigned TickMark() { return morvik::backend::gTickSerial; }

TPending Pending(unsigned Mark)
{
    using namespace morvik::qtwin;
    TPending p;
    p.PostedCalls = unsigned(std::max(0, morvik::backend::gPostedCalls.load()));
    for (WindowRec* w : gWindows) {
        const bool owed = !w->update.isEmpty() || (w->frameDirty && !w->topLevel) || gPendingPaint.count(w);
        if (owed && !w->noRedraw && IsWindowVisible(H(w)))
            ++p.WindowsToPaint;
    }
    for (const auto& [id, rec] : morvik::backend::Timers())
        if (id != gCaret.timer && rec.lastTick <= Mark)
            ++p.TimersToTick;
    return p;
}

void FlushScreen()
{
    using namespace morvik::qtwin;
    // An update request makes the toolkit paint what is marked dirty in that window now.
    std::set<QWidget*> tops;
    for (WindowRec* w : gWindows)
        if (w->widget && w->widget->isVisible())
            tops.insert(w->widget->window());
    for (QWidget* top : tops) {
        QEvent request(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(top, &request);
    }
}

}  // namespace PaintCount

// ---- Errors kept from the toolkit's frames ----------------------------------------------------------
namespace {
std::exception_ptr gShielded;
}

void morvik::qtwin::Shielded(const std::function<void()>& Fn)
{
    try {
        Fn();
    } catch (...) {
        if (!gShielded)
            gShielded = std::current_exception();
    }
}

void morvik::qtwin::RaiseShielded()
{
    if (gShielded)
        std::rethrow_exception(std::exchange(gShielded, nullptr));
}
