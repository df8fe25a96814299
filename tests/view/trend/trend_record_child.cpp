// A recording that runs until it is killed: rows of three series every
// 10 ms, a failed exchange now and then, as the trend window records them.
// trend_record_child PATH; prints "recording" once the file is open.

#include <cstdio>
#include <ctime>
#include <string>
#include <unistd.h>

#include "view/trend_recorder.h"

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    TrendRecorder rec;
    std::string error;
    if (!rec.Start(argv[1], {"r0", "r1", "flow, l/min"}, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("recording\n");
    std::fflush(stdout);
    for (int i = 0; i < 6000; ++i) {   // a minute at most
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        if (i % 37 == 36)
            rec.Row(now, {"", "", ""});
        else
            rec.Row(now, {std::to_string(i), std::to_string(-i), std::to_string(i * 0.25)});
        usleep(10'000);
    }
    return 0;
}
