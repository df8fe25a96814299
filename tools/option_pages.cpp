// tarvix-option-pages PROGRAM IN OUT: copies the manual page source IN to
// OUT with its line "%options%" replaced by PROGRAM's option list, made from
// the same rows as the program's --help.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/edit/edit_options.h"
#include "tools/poll/poll_options.h"
#include "tools/slave/slave_core.h"

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: tarvix-option-pages tarvix-poll|tarvix-slave|tarvix-edit IN OUT\n", stderr);
        return 2;
    }
    const std::string program = argv[1];
    std::string list;
    if (program == "tarvix-poll")
        list = cli::ManList(cli::Specs(PollOptionRows()));
    else if (program == "tarvix-slave")
        list = cli::ManList(cli::Specs(slave::OptionRows()));
    else if (program == "tarvix-edit")
        list = cli::ManList(cli::Specs(EditCommandLine::OptionRows()));
    else {
        std::fprintf(stderr, "tarvix-option-pages: no options of %s\n", argv[1]);
        return 2;
    }
    std::ifstream in(argv[2]);
    if (!in) {
        std::fprintf(stderr, "tarvix-option-pages: cannot read %s\n", argv[2]);
        return 1;
    }
    std::ostringstream out;
    int replaced = 0;
    for (std::string line; std::getline(in, line);) {
        if (line == "%options%") {
            out << list;
            ++replaced;
        } else {
            out << line << '\n';
        }
    }
    if (replaced != 1) {
        std::fprintf(stderr, "tarvix-option-pages: %s has %d lines %%options%%, not one\n", argv[2], replaced);
        return 1;
    }
    std::ofstream file(argv[3]);
    file << out.str();
    return file.good() ? 0 : 1;
}
