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

TEST(Regsvr, ExitStatusTellsUsageErrorsFromFailures)
{
    IsolatedRegistry registry;
    WriteFile(registry / "text.so", "just text");
    const std::string regsvr = REGSVR_PATH;
    const struct {
        std::string arguments;
        int expected;
    } cases[] = {
        {"", 2},
        {"-u", 2},
        {"-x " TESTCOMPONENT_PATH, 2},
        {"a.so b.so", 2},
        {"--machine", 2},
        {"-u -u " TESTCOMPONENT_PATH, 2},
        {"--machine --machine " TESTCOMPONENT_PATH, 2},
        {(registry / "missing.so").string(), 1},
        {(registry / "text.so").string(), 1},
        {TESTNOENTRY_PATH, 1},
        {"-u " TESTNOENTRY_PATH, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ExitStatus(regsvr + " " + c.arguments), c.expected) << c.arguments;
    EXPECT_FALSE(fs::exists(registry.File()));
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

// For the user (the default) or for the machine: the registration lands in
// those classes alone, is seen through HKEY_CLASSES_ROOT, and goes whole.
TEST(Regsvr, RegistersTheCanonicalPathAndUnregisters)
{
    for (const bool machine : {false, true}) {
        SCOPED_TRACE(machine ? "machine" : "user");
        IsolatedRegistry registry;
        fs::create_directory(registry / "sub");
        fs::copy_file(TESTCOMPONENT_PATH, registry / "component.so");
        const std::string inFolder =
            "cd " + registry.Path().string() + " && " + REGSVR_PATH + (machine ? " --machine" : "");
        const fs::path written = machine ? registry.MachineFile() : registry.File();
        const fs::path untouched = machine ? registry.File() : registry.MachineFile();

        EXPECT_EQ(ExitStatus(inFolder + " sub/../component.so"), 0);
        EXPECT_EQ(GetString(kTestObjectServerKey), Wide(registry / "component.so"));
        EXPECT_TRUE(fs::exists(written));
        EXPECT_EQ(ExitStatus(inFolder + " -u component.so"), 0);
        EXPECT_EQ(GetString(kTestObjectServerKey), Error(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(fs::exists(written));
        // The component reports that there was nothing to remove.
        EXPECT_EQ(ExitStatus(inFolder + " -u component.so"), 1);
        EXPECT_FALSE(fs::exists(untouched));
    }
}

TEST(Comcall, UsageErrorsAndClassesThatCantBeCreatedExitWith2)
{
    IsolatedRegistry registry;
    const std::string comcall = COMCALL_PATH;
    for (const char* arguments : {"", "--show-args", "Only.ProgId", "--bogus Platform.TestObject Method",
                                  "No.Such.Class Method"})
        EXPECT_EQ(ExitStatus(comcall + " " + arguments), 2) << arguments;
}

}  // namespace
