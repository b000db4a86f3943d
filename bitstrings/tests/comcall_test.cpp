// The component called from the console through comcall, as a user would.
#include "component_environment.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs comcall in folder with input as its standard input.
Outcome Comcall(const fs::path& folder, const std::string& arguments, const std::string& input = {})
{
    WriteBytes(folder / ".stdin", input);
    const std::string command = "cd '" + folder.string() + "' && '" + COMCALL_TOOL + "' " + arguments +
                                " <.stdin >.stdout 2>.stderr";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(folder / ".stdout"), ReadBytes(folder / ".stderr")};
}

TEST(Comcall, PrintsResultsAndPaddedArguments)
{
    const fs::path folder = NewTestFolder();
    const struct {
        const char* arguments;
        const char* out;
    } cases[] = {
        {"Project1.Binary GetStringBits AB", "0100000101000010\n"},
        {"--show-args Project1.Binary Dec 101", "5\n00000101\n"},
        {"--show-args Project1.Binary ChrBin 1000001", "A\n01000001\n"},
        {"--show-args Project1.Binary GetStringFromBits 101", "\x05\n101\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Comcall(folder, c.arguments);
        EXPECT_EQ(outcome.status, 0) << c.arguments << ": " << outcome.err;
        EXPECT_EQ(outcome.out, c.out) << c.arguments;
    }
}

TEST(Comcall, ReportsErrorNumbersAndDescriptions)
{
    const fs::path folder = NewTestFolder();
    WriteBytes(folder / "notes.txt", "x");
    const struct {
        const char* arguments;
        const char* input;
        const char* err;
    } cases[] = {
        {"Project1.Binary Bin 256", "", "error 5: Invalid procedure call or argument\n"},
        {"Project1.Binary Bin abc", "", "error 13: Type mismatch\n"},
        {"Project1.Binary encrypt missing.txt", "abcdefgh\n", "error 53: File not found\n"},
        {"Project1.Binary encrypt notes.txt", "short\n", "error 18: User interrupt occurred\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Comcall(folder, c.arguments, c.input);
        EXPECT_EQ(outcome.status, 1) << c.arguments;
        EXPECT_EQ(outcome.err, c.err) << c.arguments;
    }
    EXPECT_FALSE(fs::exists(folder / "notes.pef"));
}

TEST(Comcall, EncryptThenDecryptRestoresTheFile)
{
    const fs::path folder = NewTestFolder();
    const std::string text = "first line\r\nsecond line\n\xe9\xff";
    WriteBytes(folder / "notes.txt", text);
    Outcome outcome = Comcall(folder, "Project1.Binary encrypt notes.txt", "abcdefgh\n");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "\n");
    fs::remove(folder / "notes.txt");
    outcome = Comcall(folder, "Project1.Binary decrypt notes.pef", "abcdefgh\n");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);

    outcome = Comcall(folder, "Project1.Binary decrypt notes.pef", "abcdefgX\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "Stopping Decrypton Process: Password Incorrect\n");
}

}  // namespace
