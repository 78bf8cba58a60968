// Shell execution through the desktop's opener (xdg-open).
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include "platform/Backend.h"
#include "platform/ShellApi.h"
#include "platform/SysUtils.h"

namespace {

bool DefaultLauncher(const std::string& program, const std::vector<std::string>& args, const std::string& dir)
{
    QString exe = QStandardPaths::findExecutable(QString::fromStdString(program));
    if (exe.isEmpty())
        return false;
    QStringList qargs;
    for (const auto& a : args)
        qargs << QString::fromStdString(a);
    return QProcess::startDetached(exe, qargs, QString::fromStdString(dir));
}

TShellLauncher& Launcher()
{
    static TShellLauncher l = DefaultLauncher;
    return l;
}

bool IsAddress(const std::string& s)
{
    std::string l = LowerCase(s);
    return l.rfind("mailto:", 0) == 0 || l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0 ||
           l.rfind("ftp://", 0) == 0 || l.rfind("file://", 0) == 0 || l.rfind("www.", 0) == 0;
}

bool IsTextEditor(const std::string& s)
{
    std::string l = LowerCase(s);
    size_t slash = l.find_last_of("/\\");
    if (slash != std::string::npos)
        l = l.substr(slash + 1);
    return l == "notepad.exe" || l == "notepad" || l == "write.exe" || l == "wordpad.exe";
}

}  // namespace

void SetShellLauncher(TShellLauncher L) { Launcher() = L ? std::move(L) : TShellLauncher(DefaultLauncher); }

HINSTANCE ShellExecute(HWND, LPCSTR, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory, INT)
{
    auto answer = [](std::intptr_t v) { return reinterpret_cast<HINSTANCE>(v); };
    std::string file = lpFile ? lpFile : "";
    std::string params = lpParameters ? lpParameters : "";
    std::string dir = lpDirectory ? NativeFileName(lpDirectory) : std::string();
    if (dir.empty())
        dir = ".";
    std::string target = IsTextEditor(file) ? params : file;
    target = Trim(target);
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
        target = target.substr(1, target.size() - 2);
    if (target.empty())
        return answer(SE_ERR_FNF);
    if (LowerCase(target).rfind("www.", 0) == 0)
        target = "http://" + target;
    if (!IsAddress(target)) {
        target = NativeFileName(target);
        std::string full = (target[0] == '/' || dir.empty()) ? target : dir + "/" + target;
        struct stat st {};
        if (stat(full.c_str(), &st) != 0)
            return answer(SE_ERR_FNF);
        target = full;
    }
    if (!Launcher()("xdg-open", {target}, dir))
        return answer(SE_ERR_NOASSOC);
    return answer(42);
}
