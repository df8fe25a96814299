#include "tests/support/shell_run.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Quoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}   // namespace

ShellResult RunShell(const std::string &command, int seconds)
{
    ShellResult r;
    // A file of its own for standard error, so that two runs at once never
    // read each other's.
    char errFile[] = "/tmp/tarvix-shell-err.XXXXXX";
    const int fd = mkstemp(errFile);
    if (fd < 0)
        return r;
    close(fd);
    const std::string line = "timeout " + std::to_string(seconds) + " bash -o pipefail -c " + Quoted(command) +
                             " 2>" + errFile;
    FILE *p = popen(line.c_str(), "r");
    if (p) {
        char buf[16384];
        while (std::fgets(buf, sizeof buf, p)) {
            std::string l(buf);
            if (!l.empty() && l.back() == '\n')
                l.pop_back();
            r.out.push_back(l);
        }
        const int st = pclose(p);
        r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        if (FILE *e = std::fopen(errFile, "r")) {
            while (std::fgets(buf, sizeof buf, e))
                r.err += buf;
            std::fclose(e);
        }
    }
    std::remove(errFile);
    return r;
}
