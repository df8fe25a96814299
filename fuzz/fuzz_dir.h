#pragma once
// A private working folder for a fuzz target that must go through files: on
// /dev/shm where there is one (the settings library syncs each rewrite, which
// costs nothing there), removed at exit. The current directory stays where
// it is, so that libFuzzer's relative corpus and artifact paths keep working;
// a target that needs the folder as its current directory enters it for one
// input at a time.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

inline const std::string &FuzzDir()
{
    static const std::string dir = [] {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "tarvix-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        return tmpl;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(FuzzDir(), e);
        });
        return true;
    }();
    (void)cleanup;
    return dir;
}

// Makes the private folder the current directory for its lifetime.
class InFuzzDir {
public:
    InFuzzDir() : old_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (old_ < 0 || ::chdir(FuzzDir().c_str()) != 0)
            std::abort();
    }
    ~InFuzzDir()
    {
        if (::fchdir(old_) != 0)
            std::abort();
        ::close(old_);
    }
    InFuzzDir(const InFuzzDir &) = delete;
    InFuzzDir &operator=(const InFuzzDir &) = delete;

private:
    int old_;
};

// Writes the whole input to `path`.
inline void WriteInput(const std::string &path, const uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}
