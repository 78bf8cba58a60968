#include "platform/CmdLine.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace {

std::mutex argsMutex;
std::vector<std::string> args;
bool argsSet = false;

// Without SetCommandLine the kernel's copy of the arguments serves.
void EnsureArgs()
{
    if (argsSet) return;
    argsSet = true;
    std::ifstream f("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    size_t p = 0;
    while (p < all.size()) {
        const size_t end = all.find('\0', p);
        args.push_back(all.substr(p, end == std::string::npos ? std::string::npos : end - p));
        if (end == std::string::npos) break;
        p = end + 1;
    }
}

}  // namespace

void SetCommandLine(int argc, const char* const* argv)
{
    std::lock_guard<std::mutex> lock(argsMutex);
    args.clear();
    argsSet = true;
    for (int i = 0; i < argc && argv != nullptr; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
}

std::string CmdLine()
{
    std::lock_guard<std::mutex> lock(argsMutex);
    EnsureArgs();
    std::string r;
    for (size_t i = 1; i < args.size(); ++i) {
        if (i > 1) r += ' ';
        r += args[i];
    }
    return r;
}

int ParamCount()
{
    std::lock_guard<std::mutex> lock(argsMutex);
    EnsureArgs();
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

std::string ParamStr(int Index)
{
    std::lock_guard<std::mutex> lock(argsMutex);
    EnsureArgs();
    if (Index < 0 || static_cast<size_t>(Index) >= args.size()) return {};
    return args[static_cast<size_t>(Index)];
}

std::string ProgramFileName()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0)
        return std::string(buf, static_cast<size_t>(n));
    return ParamStr(0);
}

std::string ProgramName()
{
    std::string path = ParamStr(0);
    if (path.empty())
        path = ProgramFileName();
    return path.substr(path.find_last_of('/') + 1);
}
