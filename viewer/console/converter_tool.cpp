#include "converter_tool.h"

#include "command_line.h"
#include "png_encoder.h"
#include "tile_conversion.h"
#include "whole_file.h"
#include "whole_sheet.h"

#include <rterrors.h>
#include <stringapiset.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#ifndef TILEBRIDGE_VERSION
#error "The build names the version in TILEBRIDGE_VERSION."
#endif

namespace {

constexpr char kProgram[] = "tilebridge-convert";

// One line on standard error, after the program's name. A Windows console
// takes it in UTF-16, whatever its code page; elsewhere it goes as UTF-8.
void Complain(const std::string& text)
{
    const std::string line = std::string(kProgram) + ": " + text + "\n";
#if defined(_WIN32)
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode)) {
        std::wstring wide(line.size(), L'\0');
        wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                                            wide.data(), static_cast<int>(wide.size()))));
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), nullptr, nullptr);
        return;
    }
#endif
    std::fputs(line.c_str(), stderr);
}

int Failure(const std::string& file, const std::string& cause)
{
    Complain(file + ": " + cause);
    return kFailed;
}

std::string Utf8(LPCWSTR text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

void UseBinaryStreams()
{
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

LONG ReadStandardInput(std::vector<uint8_t>& bytes)
{
    try {
        char buffer[1 << 16];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + got);
    } catch (const std::bad_alloc&) {
        return RTERR_OUT_OF_MEMORY;
    }
    return std::ferror(stdin) ? RTERR_DEVICE_IO_ERROR : 0;
}

LONG WriteStandardOutput(std::span<const uint8_t> bytes)
{
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return written && std::fflush(stdout) == 0 ? 0 : RTERR_DEVICE_IO_ERROR;
}

struct FileTableDeleter {
    void operator()(FILE_NUMBER_TABLE* table) const { FileTableDestroy(table); }
};

class Files {
public:
    LONG Read(const std::string& path, std::vector<uint8_t>& bytes)
    {
        return path == kStandardStream ? ReadStandardInput(bytes) : ReadWholeFile(table_.get(), path, bytes);
    }
    LONG Write(const std::string& path, std::span<const uint8_t> bytes)
    {
        return path == kStandardStream ? WriteStandardOutput(bytes) : WriteWholeFile(table_.get(), path, bytes);
    }
    std::string Description(LONG error) { return Utf8(FileErrorDescription(table_.get(), error)); }

private:
    std::unique_ptr<FILE_NUMBER_TABLE, FileTableDeleter> table_{FileTableCreateUtf8()};
};

int Convert(const Request& request, std::span<uint8_t> input, Files& files)
{
    ConvertTilesInPlace(input, request.layouttag == "nes" ? TileConversion::NesToGb : TileConversion::GbToNes);
    if (const LONG error = files.Write(request.files[1], input))
        return Failure(request.files[1], files.Description(error));
    return kSucceeded;
}

int Render(const Request& request, std::span<const uint8_t> input, Files& files)
{
    const std::string& name = request.files[0];
    // Positions are 32-bit whole numbers, as in the window.
    if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return Failure(name, "too large to render: positions reach 2147483647 at most");
    WholeSheet sheet;
    if (!DrawWholeSheet(request.layouttag, input, request.start, request.tilesperrow, sheet))
        return Failure(name, Utf8(RtErrorDescription(RTERR_OUT_OF_MEMORY)));
    if (sheet.height == 0)
        return Failure(name, "no tile row to draw from position " + std::to_string(request.start) + " on: it holds " +
                                 std::to_string(input.size()) + (input.size() == 1 ? " byte" : " bytes"));
    std::vector<uint8_t> png;
    if (!EncodePng(sheet, png)) return Failure(request.files[1], "the PNG encoder failed");
    if (const LONG error = files.Write(request.files[1], png))
        return Failure(request.files[1], files.Description(error));
    return kSucceeded;
}

}  // namespace

int RunConverter(const std::vector<std::string>& args)
{
    Request request;
    if (const std::optional<std::string> error = ParseCommandLine(args, request)) {
        Complain(*error + " (see " + kProgram + " --help)");
        return kUsageError;
    }
    if (request.command == Command::Help) return std::fputs(kHelp, stdout) >= 0 ? kSucceeded : kFailed;
    if (request.command == Command::Version)
        return std::printf("%s %s\n", kProgram, TILEBRIDGE_VERSION) > 0 ? kSucceeded : kFailed;
    UseBinaryStreams();
    Files files;
    std::vector<uint8_t> input;
    if (const LONG error = files.Read(request.files[0], input))
        return Failure(request.files[0], Utf8(RtErrorDescription(error)));
    return request.command == Command::Convert ? Convert(request, input, files) : Render(request, input, files);
}
