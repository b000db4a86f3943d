#include "export_converted.h"

#include "tile_conversion.h"
#include "whole_file.h"

#include <rterrors.h>
#include <stringapiset.h>
#include <winuser.h>

#include <memory_resource>
#include <new>
#include <optional>
#include <vector>

namespace {

struct ExportPlan {
    TileConversion conversion;
    std::span<const std::uint8_t> source;
    const WCHAR* filter;
};

std::optional<ExportPlan> PlanFor(const std::string& layouttag, std::span<const std::uint8_t> nesimage,
                                  std::span<const std::uint8_t> gbimage)
{
    if (layouttag == "nes") return ExportPlan{TileConversion::NesToGb, nesimage, OLESTR("GB Files|*.gb*|All Files|*.*")};
    if (layouttag == "gb") return ExportPlan{TileConversion::GbToNes, gbimage, OLESTR("NES Files|*.nes*|All Files|*.*")};
    return std::nullopt;
}

void ShowMessage(const WideText& text)
{
    MessageBoxW(nullptr, text.c_str(), kConverterTitle, MB_OK | MB_TASKMODAL);
}

WideText Utf16FromPath(const std::string& path)
{
    const int size = static_cast<int>(path.size());
    WideText text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, path.data(), size, nullptr, 0)),
                  OLESTR('\0'));
    MultiByteToWideChar(CP_UTF8, 0, path.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

WideText Decimal(std::size_t number)
{
    const std::string digits = std::to_string(number);
    return {digits.begin(), digits.end()};
}

}  // namespace

void ExportConverted(const std::string& layouttag, std::span<const std::uint8_t> nesimage,
                     std::span<const std::uint8_t> gbimage, CommonDialog& cd1, FILE_NUMBER_TABLE* filetable)
{
    const std::optional<ExportPlan> plan = PlanFor(layouttag, nesimage, gbimage);
    if (!plan) return;

    cd1.filter = plan->filter;
    // An empty answer is a cancel; the path the dialog still holds is the
    // opened file's and must not be written over.
    const std::string path = cd1.ShowSave();
    if (path.empty()) return;

    // A file that loaded may still leave no room for its converted copy.
    std::pmr::vector<std::uint8_t> output;
    try {
        output.resize(plan->source.size());
    } catch (const std::bad_alloc&) {
        ShowMessage(OLESTR("Not enough memory to export \"") + Utf16FromPath(path) +
                    OLESTR("\": the converted copy needs ") + Decimal(plan->source.size()) + OLESTR(" bytes."));
        return;
    }
    ShowMessage(OLESTR("This program may lock up for several minutes."));
    ConvertTiles(plan->source, output, plan->conversion);

    if (const LONG error = WriteWholeFile(filetable, path, output)) {
        ShowMessage(OLESTR("Could not write ") + Utf16FromPath(path) + OLESTR(": ") +
                    FileErrorDescription(filetable, error));
        return;
    }
    ShowMessage(OLESTR("Done!"));
}
