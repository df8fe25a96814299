// The settings library on arbitrary file contents, followed by the program's
// load and save: what a save wrote must read back as it was saved, and a
// second save of the same settings must change nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/tarvix_settings.h"
#include "fuzz/fuzz_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bool same = true;
    {
        // The program's settings file lives in the current directory.
        const InFuzzDir here;
        WriteInput(kSettingsFileName, data, size);
        TarvixSettings loaded;
        LoadTarvixSettings(loaded);
        // A choice made in the dialog: another type and a long port name.
        TarvixSettings chosen = loaded;
        // (The loaded value may be any int: the next type is taken from its
        // remainder, so that no sum can overflow.)
        chosen.ConnType = (loaded.ConnType % 3 + 4) % 3;
        chosen.ComPort = "/dev/serial/by-id/usb-Acme_Serial_Bridge_0042A7F3-if00-port0";
        for (const TarvixSettings &s : {loaded, chosen}) {
            SaveTarvixSettings(s);
            TarvixSettings again;
            LoadTarvixSettings(again);
            same = same && again == s;
        }
    }
    // Back in libFuzzer's directory, where it writes the failing input.
    if (!same)
        __builtin_trap();
    return 0;
}
