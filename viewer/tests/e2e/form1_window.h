// Form1 of either build (the Qt program, or the Windows program under Wine)
// in a real window, driven through an X session as a person would: the path
// pasted into the system's open dialog, numbers typed into the boxes with
// Enter, the export through the save dialog and the message boxes, the
// close request. What the window shows is read from screenshots and
// compared with the shared reference pictures.
//
// Every scenario is a row of one table, run by RealWindow.Scenario: the rows
// of both builds, and each build's own (BuildScenarios). Each build's test
// also says how to start its program (MakeBuild).
#pragma once

#include "x_session.h"

#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace e2e {

// What differs between the builds.
struct Build {
    virtual ~Build() = default;
    // Puts the component in the registry or out of it; false when it is not in that state.
    virtual bool Register(bool registered) = 0;
    // A path as the program names it.
    virtual std::string PathOf(const std::filesystem::path& path) const { return path.string(); }
    // The text of the message box on screen, where the build can read it.
    virtual std::optional<std::string> MessageText() const { return std::nullopt; }
    // Ends what a failed scenario left running besides the program's own process.
    virtual void EndLeftovers() const {}

    std::string display;                // the X display; empty when there is none
    QStringList command;                // starts the program
    // Starts it for the file named in place of %f, as "Open with" does.
    QStringList openWith{"<no command opens a file with the program>"};
    std::filesystem::path work;         // for the files that the scenarios make
    std::chrono::milliseconds start{};  // until the open dialog shows
    std::chrono::milliseconds step{};   // until anything else shows, or the program ends
};

// Typed into the boxes with Enter; the sheet then shows `perRow` tiles to a
// band, as the box does, from tile `first`.
struct TypedCommand {
    std::string tilesPerRow;
    std::string offset;
    int perRow;
    int first;
};

enum class ExportOver { kNothing, kReadOnlyFile, kStuckReplacement };

struct Scenario {
    std::string name;
    // A shared tile file (under testdata), given to the program and drawn at
    // load; with none of it, openAs and a random file, the dialog is cancelled.
    std::string shared{};
    std::string openAs{};  // the name it is copied to in the work folder first; alone, a missing file
    bool openWith = false;  // given to the program as the desktop's "Open with" does, not in its dialog
    int randomMiB = 0;     // opened instead: a file of as many MiB of random bytes
    bool registered = true;
    // Parts of the text of a message box at load, which ends the program when answered.
    std::vector<std::string> message{};
    std::vector<TypedCommand> commands{};
    // After a cancelled save dialog, the export's name in the work folder; it
    // must equal the shared file's expected/*.exported.<its extension>.
    std::string exportAs{};
    // Faults of the window system, where the build's command brings them
    // about: windows of the class that the environment names in
    // REFUSED_WINDOW_CLASS refused at start (the message box is answered
    // before the open dialog); the export's name with an unpaired surrogate
    // typed after it (the grave key), which the save dialog refuses before
    // it is cancelled.
    std::string refusedWindow{};
    bool refusedExport = false;
    // An export over a file that the name holds by then, which the program
    // refuses and keeps: a read-only file, or, where the build brings it
    // about (STUCK_REPLACEMENT in the environment), one that the replacement
    // moves to its backup name and cannot put back, which the message names.
    ExportOver exportOver = ExportOver::kNothing;
    int status = 0;
    // How soon the program ends after the close request; the build's step if not given.
    std::optional<std::chrono::milliseconds> endsWithin{};
};

inline void PrintTo(const Scenario& row, std::ostream* out) { *out << row.name; }

// Defined by each build's test.
std::unique_ptr<Build> MakeBuild();
// The build's own rows, which run first.
std::vector<Scenario> BuildScenarios();

}  // namespace e2e
