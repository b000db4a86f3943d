// The handlers of the window Form1 without the window: the load step, apply
// tiles per row, apply offset and redraw, export and close. The window
// forwards its events here; tests drive them directly.
#pragma once

#include "common_dialog.h"
#include "drawing_surface.h"
#include "row_converter.h"
#include "sheet_walks.h"
#include "viewer_state.h"
#include "wide_text.h"

#include <filenums.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the handlers need of the window around them.
class ViewerWindow {
public:
    virtual ~ViewerWindow() = default;
    virtual DrawingSurface& Picture1() = 0;
    virtual WideText TilesText() const = 0;
    virtual void SetTilesText(const WideText& text) = 0;
    virtual WideText OffsetText() const = 0;
    // Shows the window, so that it is on screen while the first sheet is drawn.
    virtual void ShowWindow() = 0;
    // The program ends: leave the event loop (or never enter it) and hide the
    // window. Called once, after every file has been closed.
    virtual void EndProgram() = 0;
};

class Viewer {
public:
    Viewer(ViewerWindow& window, CommonDialog& cd1, RowConverter& converter);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Asks for the file, reads it, takes the layout from its extension and
    // draws the first sheet from position 1. Cancel ends the program; a file
    // that can't be opened, read or held in memory is reported and ends it.
    // The arguments that the program was started with (after its name, as
    // the file table takes paths) may name the file instead: it is then
    // loaded as if chosen in the dialog, and the dialog is not shown. Any
    // other arguments are answered with the program's usage, which ends it.
    void Load(const std::vector<std::string>& arguments = {});
    // Tiles per row from the box, at least 8 (then the box shows "8"); only
    // tilecol is reset, nothing is redrawn.
    void ApplyTilesPerRow();
    // Clears the surface, resets the drawing state and draws the sheet anew
    // from the offset box's position; a walk in progress is replaced by it.
    void ApplyOffset();
    void ExportConverted();
    // Closes the input file and every other open file and ends the program,
    // also in the middle of a walk, which stops at its next step.
    void Close();

    const ViewerState& State() const { return state_; }
    bool Ended() const { return ended_; }
    // True when the program ends because of a failure it reported.
    bool Failed() const { return failed_; }
    FILE_NUMBER_TABLE* Files() const { return files_.get(); }

private:
    class RunningWalk;
    struct FileTableDeleter {
        void operator()(FILE_NUMBER_TABLE* table) const { FileTableDestroy(table); }
    };

    bool OpenInputFile();
    bool ReadInputFile(std::vector<uint8_t>& image);
    void RunWalk(bool nes);
    void Fail(const WideText& message);

    ViewerWindow& window_;
    CommonDialog& cd1_;
    RowConverter& converter_;
    std::unique_ptr<FILE_NUMBER_TABLE, FileTableDeleter> files_;
    ViewerState state_;
    // Every walk takes the next number; a walk whose number is no longer the
    // latest has been replaced and stops when control returns to it.
    uint64_t latestWalk_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};
