#include "command_line.h"

#include "tile_layout.h"

#include <charconv>
#include <limits>

const char kHelp[] = R"(Usage: tilebridge-convert convert [-l LAYOUT] INPUT OUTPUT
  or:  tilebridge-convert render [-l LAYOUT] [-t TILES] [-s POSITION] INPUT OUTPUT
Converts NES and Game Boy tile files as tilebridge does, without a window.

Commands:
  convert   write the whole file with every 16-byte tile rearranged into the
            other layout (NES into Game Boy, Game Boy into NES), byte for
            byte what tilebridge's "Export Converted" writes
  render    draw the whole sheet as tilebridge's window draws it, as an
            indexed PNG of four colours: palette index = pixel value

Options:
  -l, --layout=nes|gb        layout of INPUT; by default from its name:
                             .nes is NES, .gb and .gbc are Game Boy
  -t, --tiles-per-row=TILES  render: tiles in one row of the sheet, 8 to 4096
                             (default 48)
  -s, --start=POSITION       render: the byte the tiles start at, counted
                             from 1 (default 1)
  -h, --help                 show this help and exit
  -V, --version              show the version and exit

INPUT or OUTPUT - is standard input or output. OUTPUT is replaced only by a
complete file, and a read-only OUTPUT is refused.
Exit status: 0 done, 1 failed, 2 wrong usage.
)";

namespace {

constexpr int32_t kMostTilesPerRow = 4096;

std::optional<int32_t> WholeNumberArgument(const std::string& text, int32_t least, int32_t most)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < least || value > most) return std::nullopt;
    return value;
}

using UsageError = std::optional<std::string>;

// An option that takes a value: it sets the value in the request, or returns
// the message of a usage error when the value is not one it takes.
struct Option {
    const char* shortName;
    const char* longName;
    bool renderOnly;
    UsageError (*apply)(const std::string& value, Request& request);
};

constexpr Option kOptions[] = {
    {"-l", "--layout", false,
     [](const std::string& value, Request& request) -> UsageError {
         if (value != "nes" && value != "gb") return "the layout is nes or gb, not '" + value + "'";
         request.layouttag = value;
         return std::nullopt;
     }},
    {"-t", "--tiles-per-row", true,
     [](const std::string& value, Request& request) -> UsageError {
         const std::optional<int32_t> tiles = WholeNumberArgument(value, 8, kMostTilesPerRow);
         if (!tiles) return "the tiles per row are a whole number from 8 to 4096, not '" + value + "'";
         request.tilesperrow = *tiles;
         return std::nullopt;
     }},
    {"-s", "--start", true,
     [](const std::string& value, Request& request) -> UsageError {
         const std::optional<int32_t> start = WholeNumberArgument(value, 1, std::numeric_limits<int32_t>::max());
         if (!start) return "the start is a position from 1, not '" + value + "'";
         request.start = *start;
         return std::nullopt;
     }},
};

const Option* FindOption(const std::string& name)
{
    for (const Option& option : kOptions)
        if (name == option.shortName || name == option.longName) return &option;
    return nullptr;
}

}  // namespace

UsageError ParseCommandLine(const std::vector<std::string>& args, Request& request)
{
    bool optionsEnded = false;
    std::optional<std::string> command;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == kStandardStream || !arg.starts_with("-")) {
            if (command) request.files.push_back(arg);
            else command = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help" || arg == "-V" || arg == "--version") {
            request.command = arg == "-h" || arg == "--help" ? Command::Help : Command::Version;
            return std::nullopt;
        }
        // --name=value, --name value, -xvalue or -x value.
        const bool longForm = arg.starts_with("--");
        const size_t split = longForm ? arg.find('=') : 2;
        const std::string name = arg.substr(0, split);
        const Option* option = FindOption(name);
        if (!option) return "unknown option " + name;
        std::string value;
        if (split < arg.size()) value = arg.substr(split + (longForm ? 1 : 0));
        else if (i + 1 < args.size()) value = args[++i];
        else return "the option " + name + " needs a value";
        if (UsageError error = option->apply(value, request)) return error;
        if (option->renderOnly && request.renderOption.empty()) request.renderOption = name;
    }
    if (!command) return "no command: convert or render";
    if (*command == "convert") request.command = Command::Convert;
    else if (*command == "render") request.command = Command::Render;
    else return "unknown command " + *command + ": convert or render";
    if (request.command == Command::Convert && !request.renderOption.empty())
        return "the option " + request.renderOption + " is for render only";
    if (request.files.size() != 2) return "the command " + *command + " needs an INPUT and an OUTPUT";
    const std::string& input = request.files[0];
    if (request.layouttag.empty()) request.layouttag = LayoutTagFromPath(input);
    if (request.layouttag.empty())
        return input + ": no layout from the name; give it with --layout nes or --layout gb";
    return std::nullopt;
}
