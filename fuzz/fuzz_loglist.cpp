// The log list's file loader on arbitrary file contents: the loaded lines,
// saved with one more line and loaded again, come back the same.

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/Loglist.h"
#include "fuzz/fuzz_dir.h"

namespace {

std::vector<std::string> Lines(TLogList &list)
{
    std::vector<std::string> out;
    const TLogLineList *lines = list.LockRead();
    for (int i = 0; i < lines->Count(); ++i)
        out.emplace_back(lines->Text(i));
    list.UnlockRead();
    return out;
}

}   // namespace

// The caches that the system's font configuration library keeps for the life
// of the process (set up by Qt's font database) are not leaks of the project.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", FuzzDir().c_str(), 1);
    static int argc = 1;
    static char name[] = "fuzz_loglist";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);   // lives as long as the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Two lists for the whole run: a load replaces every line and the state
    // that goes with them, and no event loop runs to fire their timers.
    static const std::string path = FuzzDir() + "/log.txt";
    static TLogList *const list = [] {
        auto *l = new TLogList;
        l->MaxSize = 64;
        l->resize(200, 100);
        return l;
    }();
    static TLogList *const again = [] {
        auto *l = new TLogList;
        l->MaxSize = 64;
        return l;
    }();
    WriteInput(path, data, size);
    if (!list->LoadFromFile(path.c_str(), size % 2 == 1))
        __builtin_trap();
    list->UpdateParams();
    list->PutS("end");
    list->Save();
    const std::vector<std::string> saved = Lines(*list);
    if (!again->LoadFromFile(path.c_str(), false) || Lines(*again) != saved)
        __builtin_trap();
    return 0;
}
