#include "form1_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace e2e {

namespace {

constexpr QRect kPictureInClient(16, 16, 385, 321);
const QPoint kTilesBox(24 + 15, 352 + 13);
const QPoint kOffsetBox(192 + 60, 352 + 12);
const QPoint kExportButton(416 + 32, 16 + 20);

}  // namespace

std::vector<char> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QRect Form1Window::Place(QPoint clientTop)
{
    clientTop_ = clientTop;
    return kPictureInClient.translated(clientTop_);
}

void Form1Window::ExpectSheet(const QRect& area, const ReferenceTiles& tiles, int perRow, int first) const
{
    long wrong = -2;
    std::string report;
    WaitUntil(
        [&] {
            const auto shot = session_.SettledArea(area, step_);
            if (!shot) return false;
            wrong = Mismatches(*shot, tiles, perRow, first, report);
            return wrong == 0;
        },
        step_);
    EXPECT_EQ(wrong, 0) << perRow << " tiles per row from tile " << first << ": " << report;
}

void Form1Window::ClickAt(QPoint clientPoint) const
{
    session_.Click(clientTop_.x() + clientPoint.x(), clientTop_.y() + clientPoint.y());
}

void Form1Window::TypeInto(QPoint clientPoint, const std::string& text) const
{
    ClickAt(clientPoint);
    session_.Keys("Home shift+End");
    if (!text.empty()) session_.Type(text);
    session_.Keys("Return");
}

std::string Form1Window::BoxText(QPoint clientPoint) const
{
    ClickAt(clientPoint);
    session_.Keys("Home shift+End ctrl+c");
    return session_.X("xclip -o -selection clipboard").value_or("<no clipboard>");
}

void Form1Window::AnswerMessage(const std::string& which) const
{
    const auto box = session_.WaitForWindow(kMessageTitle, step_);
    ASSERT_TRUE(box) << "no message box (" << which << ")";
    session_.Focus(*box);
    session_.Keys("Return");
    // The next message box may already be up under the same title.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<std::string> boxes = session_.FindWindows(kMessageTitle);
            return std::find(boxes.begin(), boxes.end(), *box) == boxes.end();
        },
        step_));
}

void Form1Window::FollowCommandsAndExport(const QRect& area, const ReferenceTiles& tiles, const fs::path& target,
                                          const fs::path& expected)
{
    TypeInto(kTilesBox, "16");
    TypeInto(kOffsetBox, "1");
    ExpectSheet(area, tiles, 16, 0);

    TypeInto(kTilesBox, "5");
    EXPECT_EQ(BoxText(kTilesBox), "8");
    TypeInto(kOffsetBox, "17");
    ExpectSheet(area, tiles, 8, 1);

    // Cancelling the save dialog writes nothing and shows nothing.
    fs::remove(target);
    ClickAt(kExportButton);
    auto dialog = WaitForSaveDialog();
    ASSERT_TRUE(dialog) << "no save dialog";
    session_.Focus(*dialog);
    session_.Keys("Escape");
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(session_.FindWindows(kMessageTitle).empty());
    EXPECT_FALSE(fs::exists(target));

    ClickAt(kExportButton);
    dialog = WaitForSaveDialog();
    ASSERT_TRUE(dialog) << "no save dialog";
    session_.Focus(*dialog);
    EnterPath(target);
    session_.Keys("Return");
    AnswerMessage("warning");
    AnswerMessage("done");
    EXPECT_EQ(ReadFile(target), ReadFile(expected));
}

}  // namespace e2e
