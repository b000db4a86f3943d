// The component called from the console through comcall, as a user would:
// results, padded arguments, error numbers with descriptions, and a file
// protected and restored. The protected file's name drops the given name's
// last four characters: a bare name of three is refused, and "abcd" gives
// ".pef".
#include "component_environment.h"

#include <sys/wait.h>

namespace {

TEST(Comcall, PrintsResultsPaddedArgumentsAndErrorNumbersWithDescriptions)
{
    const TempFolder folder;
    const std::string text = "first line\r\nsecond line\n\xe9\xff";
    for (const char* name : {"notes.txt", "abc", "abcd"}) WriteBytes(folder / name, text);
    // Arguments, standard input, and the exit status, standard output and
    // standard error that follow. An empty line is an answer, asked again,
    // not the end of input.
    const std::tuple<std::string, std::string, std::tuple<int, std::string, std::string>> cases[] = {
        {"--show-args Project1.Binary Dec 101", "", {0, "5\n00000101\n", ""}},
        {"--show-args Project1.Binary GetStringFromBits 101", "", {0, "\x05\n101\n", ""}},
        {"Project1.Binary Bin 256", "", {1, "", "error 5: Invalid procedure call or argument\n"}},
        {"Project1.Binary Bin abc", "", {1, "", "error 13: Type mismatch\n"}},
        {"Project1.Binary encrypt notes.txt", "short\n", {1, "", "error 18: User interrupt occurred\n"}},
        {"Project1.Binary encrypt notes.txt", "\nabcdefgh\n", {0, "\n", ""}},
        {"Project1.Binary decrypt notes.pef", "abcdefgX\n",
         {0, "\n", "Stopping Decrypton Process: Password Incorrect\n"}},
        {"Project1.Binary decrypt notes.pef", "abcdefgh\n", {0, "\n", ""}},
        {"Project1.Binary encrypt abc", "abcdefgh\n", {1, "", "error 5: Invalid procedure call or argument\n"}},
        {"Project1.Binary encrypt abcd", "abcdefgh\n", {0, "\n", ""}},
    };
    for (const auto& [arguments, input, expected] : cases) {
        if (arguments.ends_with("decrypt notes.pef")) fs::remove(folder / "notes.txt");
        WriteBytes(folder / ".stdin", input);
        const int status = std::system(("cd '" + folder.Path().string() + "' && '" COMCALL_TOOL "' " + arguments +
                                        " <.stdin >.stdout 2>.stderr").c_str());
        EXPECT_EQ(std::tuple(WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(folder / ".stdout"),
                             ReadBytes(folder / ".stderr")), expected) << arguments;
    }
    EXPECT_EQ(ReadBytes(folder / "notes.txt"), text);
    EXPECT_EQ(ReadBytes(folder / ".pef"), ReadBytes(folder / "notes.pef"));
}

}  // namespace
