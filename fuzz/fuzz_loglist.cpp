// The log list's file loader on arbitrary file contents: the loaded lines,
// saved with one more line and loaded again, come back the same.

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Loglist.h"
#include "fuzz_dir.h"

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

} // namespace

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
    static const std::string path = FuzzDir() + "/log.txt";
    WriteInput(path, data, size);
    std::vector<std::string> saved;
    {
        TLogList list;
        list.MaxSize = 64;
        if (!list.LoadFromFile(path.c_str(), size % 2 == 1))
            __builtin_trap();
        list.resize(200, 100);
        list.UpdateParams();
        list.PutS("end");
        list.Save();
        saved = Lines(list);
    }
    TLogList again;
    again.MaxSize = 64;
    if (!again.LoadFromFile(path.c_str(), false) || Lines(again) != saved)
        __builtin_trap();
    return 0;
}
