// The component called from the console through comcall, as a user would.
#include "component_environment.h"

#include <sys/wait.h>

#include <tuple>

namespace {

// The exit status, standard output and standard error of one run.
using Outcome = std::tuple<int, std::string, std::string>;

// Runs comcall in folder with input as its standard input.
Outcome Comcall(const fs::path& folder, const std::string& arguments, const std::string& input)
{
    WriteBytes(folder / ".stdin", input);
    const std::string command =
        "cd '" + folder.string() + "' && '" COMCALL_TOOL "' " + arguments + " <.stdin >.stdout 2>.stderr";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(folder / ".stdout"), ReadBytes(folder / ".stderr")};
}

TEST(Comcall, PrintsResultsPaddedArgumentsAndErrorNumbersWithDescriptions)
{
    const fs::path folder = NewTestFolder();
    const std::string text = "first line\r\nsecond line\n\xe9\xff";
    WriteBytes(folder / "notes.txt", text);
    const struct {
        const char *arguments, *input;
        Outcome expected;
    } cases[] = {
        {"Project1.Binary GetStringBits AB", "", {0, "0100000101000010\n", ""}},
        {"--show-args Project1.Binary Dec 101", "", {0, "5\n00000101\n", ""}},
        {"--show-args Project1.Binary ChrBin 1000001", "", {0, "A\n01000001\n", ""}},
        {"--show-args Project1.Binary GetStringFromBits 101", "", {0, "\x05\n101\n", ""}},
        {"Project1.Binary Bin 256", "", {1, "", "error 5: Invalid procedure call or argument\n"}},
        {"Project1.Binary Bin abc", "", {1, "", "error 13: Type mismatch\n"}},
        {"Project1.Binary encrypt missing.txt", "abcdefgh\n", {1, "", "error 53: File not found\n"}},
        {"Project1.Binary encrypt notes.txt", "short\n", {1, "", "error 18: User interrupt occurred\n"}},
        {"Project1.Binary encrypt notes.txt", "abcdefgh\n", {0, "\n", ""}},
        {"Project1.Binary decrypt notes.pef", "abcdefgX\n",
         {0, "\n", "Stopping Decrypton Process: Password Incorrect\n"}},
        {"Project1.Binary decrypt notes.pef", "abcdefgh\n", {0, "\n", ""}},
    };
    for (const auto& c : cases) {
        if (std::string(c.arguments).ends_with("decrypt notes.pef")) fs::remove(folder / "notes.txt");
        EXPECT_EQ(Comcall(folder, c.arguments, c.input), c.expected) << c.arguments;
    }
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);
}

}  // namespace
