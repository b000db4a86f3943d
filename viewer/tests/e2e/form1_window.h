// Form1 of either build (the Qt program, or the Windows program under Wine)
// in a real window, driven through an X session: its controls found from
// the client area's corner, the sheet read back from the screen, numbers
// typed with Enter, the message boxes answered, and the export scenario
// that both builds go through. The dialogs differ between the builds.
#pragma once

#include "reference_tiles.h"
#include "x_session.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline const std::string kMainTitle = "Mr. Tavrel's NES to GB GFX Converter";
inline const std::string kMessageTitle = "Mr. Tavrel's NES To GB GFX Converter";
constexpr int kClientWidth = 491;
constexpr int kClientHeight = 390;

std::vector<char> ReadFile(const std::filesystem::path& path);

class Form1Window {
public:
    Form1Window(const XSession& session, std::chrono::milliseconds step) : session_(session), step_(step) {}
    virtual ~Form1Window() = default;

    // The client area's top-left corner on the screen; returns Picture1's area.
    QRect Place(QPoint clientTop);
    void ExpectSheet(const QRect& area, const ReferenceTiles& tiles, int perRow, int first) const;
    void AnswerMessage(const std::string& which) const;

    // Tiles per row and offsets typed into the boxes, a cancelled export,
    // then an export whose file must equal `expected` byte for byte.
    void FollowCommandsAndExport(const QRect& area, const ReferenceTiles& tiles, const std::filesystem::path& target,
                                 const std::filesystem::path& expected);

protected:
    virtual std::optional<std::string> WaitForSaveDialog() = 0;
    // Puts a path into the focused dialog's name box.
    virtual void EnterPath(const std::filesystem::path& path) = 0;

private:
    void ClickAt(QPoint clientPoint) const;
    void TypeInto(QPoint clientPoint, const std::string& text) const;
    std::string BoxText(QPoint clientPoint) const;

    const XSession& session_;
    std::chrono::milliseconds step_;
    QPoint clientTop_;
};

}  // namespace e2e
