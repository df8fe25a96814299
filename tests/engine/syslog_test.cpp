// The system log entry point: forwarding to the default log list only.

#include <gtest/gtest.h>

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <vector>

#include "platform/syslog.h"

namespace {

struct Target final : SysLogTarget {
    std::vector<std::string> lines;
    void vSysLogMsg(const char *fmt, va_list args) override
    {
        char buf[128];
        std::vsnprintf(buf, sizeof buf, fmt, args);
        lines.push_back(buf);
    }
};

TEST(SysLog, ForwardsToTheFirstRegisteredListOnly)
{
    SysLogMsg("Send Error %d", 1);   // no list: nothing happens
    ASSERT_EQ(DefaultLogList(), nullptr);

    Target first, second;
    EXPECT_TRUE(RegisterDefaultLogList(&first));
    EXPECT_FALSE(RegisterDefaultLogList(&second));
    SysLogMsg("Send Error %d", 10054);
    SysLogMsg("%s:%u", "x", 7u);
    EXPECT_EQ(first.lines, (std::vector<std::string>{"Send Error 10054", "x:7"}));
    EXPECT_TRUE(second.lines.empty());

    UnregisterDefaultLogList(&second);   // not the default: no change
    EXPECT_EQ(DefaultLogList(), &first);
    UnregisterDefaultLogList(&first);
    SysLogMsg("lost %d", 1);   // the second list does not take over
    EXPECT_TRUE(second.lines.empty());
    EXPECT_EQ(DefaultLogList(), nullptr);

    EXPECT_TRUE(RegisterDefaultLogList(&second));
    SysLogMsg("Send Error %d", 2);
    EXPECT_EQ(second.lines, std::vector<std::string>{"Send Error 2"});
    UnregisterDefaultLogList(&second);
}

// Both entry points are plain C symbols of the program itself, so that code
// loaded later finds them by their names.
TEST(SysLog, EntryPointsAreExportedUnderTheirCNames)
{
    const struct {
        const char *name;
        void *address;
    } entries[] = {
        {"SysLogMsg", reinterpret_cast<void *>(&SysLogMsg)},
        {"vSysLogMsg", reinterpret_cast<void *>(&vSysLogMsg)},
    };
    for (const auto &e : entries)
        EXPECT_EQ(dlsym(RTLD_DEFAULT, e.name), e.address) << e.name;
}

}   // namespace
