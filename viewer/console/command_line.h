// The command line of tilebridge-convert: a command, its options and its
// two files, in the style of the GNU tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A file named so is standard input or standard output.
inline constexpr char kStandardStream[] = "-";

enum class Command { Convert, Render, Help, Version };

struct Request {
    Command command = Command::Help;
    std::string layouttag;
    int32_t tilesperrow = 48;
    int32_t start = 1;
    std::string renderOption;        // the first option given that only render takes
    std::vector<std::string> files;  // INPUT and OUTPUT
};

// What --help shows.
extern const char kHelp[];

// Fills the request from the arguments, the program's name left out, or
// returns the one-line message of a usage error. Without --layout, the
// layout comes from the input's name.
std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args, Request& request);
