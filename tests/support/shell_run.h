// A command line run by bash (with pipefail) under a time limit, for tests
// that use a program as a script would: its exit status, its standard output
// in lines and its standard error whole.
#pragma once

#include <string>
#include <vector>

struct ShellResult {
    int code = -1;   // -1 when it did not exit normally
    std::vector<std::string> out;
    std::string err;
};

ShellResult RunShell(const std::string &command, int seconds);
