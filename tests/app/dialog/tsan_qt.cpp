// Under the thread sanitizer: Qt's libraries are not instrumented and lock
// with futexes that the sanitizer cannot see, so the memory that Qt itself
// copies, allocates and frees across threads (posted events, its worker
// pools, the test library's watchdog) looks raced. Those accesses, made by
// Qt's own code, are left out; every access from this program's code is
// checked as ever.
extern "C" const char *__tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Test.so.6\n";
}
