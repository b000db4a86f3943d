#include "test_support.h"
#include "testcomponent.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

namespace {

// The exit status of a command run by the shell, its output discarded.
int ExitStatus(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Usage errors exit with 2, failures with 1; classes that comcall can't create are usage errors too.
TEST(Tools, ExitStatusTellsUsageErrorsFromFailures)
{
    IsolatedRegistry registry;
    WriteFile(registry / "text.so", "just text");
    const std::string regsvr = REGSVR_PATH " ", comcall = COMCALL_PATH " ";
    const struct {
        std::string command;
        int expected;
    } cases[] = {
        {regsvr, 2}, {regsvr + "-u", 2}, {regsvr + "-x " TESTCOMPONENT_PATH, 2}, {regsvr + "a.so b.so", 2},
        {regsvr + "--machine", 2}, {regsvr + "-u -u " TESTCOMPONENT_PATH, 2},
        {regsvr + "--machine --machine " TESTCOMPONENT_PATH, 2}, {regsvr + (registry / "missing.so").string(), 1},
        {regsvr + (registry / "text.so").string(), 1}, {regsvr + TESTNOENTRY_PATH, 1},
        {regsvr + "-u " TESTNOENTRY_PATH, 1}, {comcall, 2}, {comcall + "--show-args", 2}, {comcall + "Only.ProgId", 2},
        {comcall + "--bogus Platform.TestObject Method", 2}, {comcall + "No.Such.Class Method", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(ExitStatus(c.command), c.expected) << c.command;
    EXPECT_FALSE(fs::exists(registry.File()));
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

// For the user (the default) or for the machine: the registration lands in
// those classes alone, is seen through HKEY_CLASSES_ROOT, and goes whole.
TEST(Tools, RegsvrRegistersTheCanonicalPathAndUnregisters)
{
    for (const bool machine : {false, true}) {
        SCOPED_TRACE(machine ? "machine" : "user");
        IsolatedRegistry registry;
        fs::create_directory(registry / "sub");
        fs::copy_file(TESTCOMPONENT_PATH, registry / "component.so");
        const std::string inFolder = "cd " + registry.Path().string() + " && " REGSVR_PATH + (machine ? " --machine" : "");
        const fs::path written = machine ? registry.MachineFile() : registry.File();
        EXPECT_EQ(ExitStatus(inFolder + " sub/../component.so"), 0);
        EXPECT_EQ(GetString(kTestObjectServerKey), Wide(registry / "component.so"));
        EXPECT_TRUE(fs::exists(written));
        EXPECT_EQ(ExitStatus(inFolder + " -u component.so"), 0);
        EXPECT_EQ(GetString(kTestObjectServerKey), Error(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(fs::exists(written));
        // The component reports that there was nothing to remove.
        EXPECT_EQ(ExitStatus(inFolder + " -u component.so"), 1);
        EXPECT_FALSE(fs::exists(machine ? registry.File() : registry.MachineFile()));
    }
}

}  // namespace
