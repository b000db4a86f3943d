#include "viewer.h"

#include "export_converted.h"
#include "text_value.h"
#include "tile_layout.h"

#include <hostui.h>
#include <rterrors.h>
#include <stringapiset.h>
#include <winuser.h>

#include <limits>
#include <new>

namespace {

constexpr WCHAR kOpenFilter[] = OLESTR("NES Files|*.nes*|GB Files|*.gb*|GBC Files|*.gbc*|All Files|*.*");
constexpr WCHAR kUsage[] =
    OLESTR("Usage: tilebridge [FILE]\n\nShows the tiles of FILE, or asks for the file when none is named.");

// Positions are 32-bit whole numbers, so longer files can't be addressed.
constexpr int64_t kLongestFile = std::numeric_limits<int32_t>::max();

WideText PathText(const std::string& path)
{
    const int count = static_cast<int>(path.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, path.data(), count, nullptr, 0);
    WideText text(static_cast<size_t>(size), OLESTR('\0'));
    MultiByteToWideChar(CP_UTF8, 0, path.data(), count, text.data(), size);
    return text;
}

WideText Number(int64_t value)
{
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

}  // namespace

// A walk in progress, under the number it was given when it started.
class Viewer::RunningWalk final : public WalkControl {
public:
    RunningWalk(Viewer& viewer, uint64_t number) : viewer_(viewer), number_(number) {}

    std::optional<int64_t> InputFileLength() override
    {
        LONGLONG length = 0;
        if (FileLength(viewer_.files_.get(), viewer_.state_.filenum, &length) != 0) return std::nullopt;
        return length;
    }

    PumpTurn LetEventsRun() override
    {
        const bool ran = DoEvents() != FALSE;
        if (viewer_.ended_ || viewer_.latestWalk_ != number_) return PumpTurn::Stop;
        return ran ? PumpTurn::Ran : PumpTurn::Skipped;
    }

private:
    Viewer& viewer_;
    const uint64_t number_;
};

Viewer::Viewer(ViewerWindow& window, CommonDialog& cd1, RowConverter& converter)
    : window_(window), cd1_(cd1), converter_(converter), files_(FileTableCreateUtf8())
{
}

Viewer::~Viewer() = default;

void Viewer::Load(const std::vector<std::string>& arguments)
{
    state_.startoffset = 1;
    state_.tilesperrow = 48;
    cd1_.flags = CommonDialog::kFileMustExist;
    cd1_.filter = kOpenFilter;
    // One file at most, and a name that starts with '-' reads as an option, of which the program has none.
    if (!arguments.empty() && (arguments.size() > 1 || arguments[0].empty() || arguments[0][0] == '-')) {
        Fail(kUsage);
        return;
    }
    // The dialog keeps a named file as it keeps a chosen one: the save dialog proposes it.
    state_.filepath = arguments.empty() ? cd1_.ShowOpen() : (cd1_.fileName = arguments[0]);
    if (state_.filepath.empty()) {
        Close();
        return;
    }
    if (!OpenInputFile()) return;

    // An empty file has no positions to draw, like a file of an unknown layout.
    const std::string tag = state_.nesimage.empty() ? std::string() : LayoutTagFromPath(state_.filepath);
    if (tag.empty()) return;
    window_.ShowWindow();
    state_.startoffset = 1;
    if (!ReadInputFile(tag == "nes" ? state_.nesimage : state_.gbimage)) return;
    state_.layouttag = tag;
    RunWalk(tag == "nes");
}

bool Viewer::OpenInputFile()
{
    const WideText path = PathText(state_.filepath);
    state_.filenum = FreeFile(files_.get());
    LONG error = state_.filenum == 0 ? RTERR_TOO_MANY_FILES
                                     : FileOpen(files_.get(), state_.filenum, state_.filepath.c_str(), FILE_MODE_BINARY_READ);
    if (error != 0) state_.filenum = 0;
    LONGLONG length = 0;
    if (error == 0) error = FileLength(files_.get(), state_.filenum, &length);
    if (error != 0) {
        Fail(OLESTR("Can't open the file \"") + path + OLESTR("\": ") + RtErrorDescription(error) + OLESTR("."));
        return false;
    }
    if (length > kLongestFile) {
        Fail(OLESTR("The file \"") + path + OLESTR("\" is too large: it holds ") + Number(length) +
             OLESTR(" bytes, and at most ") + Number(kLongestFile) + OLESTR(" bytes can be shown."));
        return false;
    }
    try {
        state_.nesimage.assign(static_cast<size_t>(length), 0);
        state_.gbimage.assign(static_cast<size_t>(length), 0);
    } catch (const std::bad_alloc&) {
        state_.nesimage = {};
        state_.gbimage = {};
        Fail(OLESTR("The file \"") + path + OLESTR("\" is too large to be held in memory: it holds ") +
             Number(length) + OLESTR(" bytes."));
        return false;
    }
    return true;
}

bool Viewer::ReadInputFile(std::vector<uint8_t>& image)
{
    size_t got = 0;
    const LONG error = FileReadAt(files_.get(), state_.filenum, 0, image.data(), image.size(), &got);
    if (error == 0 && got == image.size()) return true;
    const WideText reason = error != 0 ? RtErrorDescription(error) : OLESTR("it ended before its length");
    Fail(OLESTR("Can't read the file \"") + PathText(state_.filepath) + OLESTR("\": ") + reason + OLESTR("."));
    return false;
}

void Viewer::ApplyTilesPerRow()
{
    if (ended_) return;
    // A value that is no whole number within the 32-bit range counts as no number.
    const int32_t value = WholeNumber(TextValue(window_.TilesText())).value_or(0);
    if (value < 8) {
        state_.tilesperrow = 8;
        window_.SetTilesText(OLESTR("8"));
    } else {
        state_.tilesperrow = value;
    }
    state_.drawing.tilecol = 0;
}

void Viewer::ApplyOffset()
{
    if (ended_) return;
    window_.Picture1().Cls();
    state_.drawing = DrawingState{};
    state_.startoffset = OffsetValue(window_.OffsetText());
    if (state_.layouttag == "gb") RunWalk(false);
    if (state_.layouttag == "nes") RunWalk(true);
}

void Viewer::ExportConverted()
{
    if (ended_) return;
    ::ExportConverted(state_.layouttag, state_.nesimage, state_.gbimage, cd1_, files_.get());
}

void Viewer::Close()
{
    if (ended_) return;
    ended_ = true;
    if (state_.filenum != 0) FileClose(files_.get(), state_.filenum);
    FileCloseAll(files_.get());
    window_.EndProgram();
}

void Viewer::RunWalk(bool nes)
{
    RunningWalk control(*this, ++latestWalk_);
    const TileSheet sheet{window_.Picture1(), state_.drawing, state_.tilesperrow, converter_};
    const WalkEnd end = nes ? ShowNesTiles(window_.OffsetText(), state_.nesimage, sheet, control)
                            : ShowGbTiles(*WholeNumber(state_.startoffset), state_.gbimage, sheet, control);
    if (end == WalkEnd::ConversionFailed) Fail(converter_.Failure());
}

void Viewer::Fail(const WideText& message)
{
    if (ended_) return;
    failed_ = true;
    MessageBoxW(nullptr, message.c_str(), kConverterTitle, MB_OK | MB_TASKMODAL);
    Close();
}
