// Under the thread sanitizer: Qt's libraries are not instrumented and
// synchronise through futexes that the sanitizer cannot see, so memory that
// Qt hands from one thread to another (posted events, its worker pools, the
// test library's watchdog) looks raced. Reports whose stacks pass through
// Qt's own libraries are left out; races between this program's threads in
// its own code (the exchange engine, the log list's lines, the hand-overs)
// are checked as ever.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:libQt6Core.so.6\n"
           "race:libQt6Gui.so.6\n"
           "race:libQt6Widgets.so.6\n"
           "race:libQt6Test.so.6\n";
}
