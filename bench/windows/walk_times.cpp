// Times of tilebridge.exe's sheet walks over an 8 MiB file, as a user sees
// them: Form1 on screen, every row converted by the registered component and
// drawn on Picture1, window messages let through once per step. Run under
// Wine or Windows with bitstrings.dll registered; prints one line per walk.
#include "binary_row_converter.h"
#include "form1.h"

#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kFileBytes = size_t{8} << 20;

// The open dialog answered with one path, as a user who picks the file.
class ChosenFile final : public CommonDialog {
public:
    explicit ChosenFile(std::string path) : path_(std::move(path)) {}
    std::string ShowOpen() override { return fileName = path_; }
    std::string ShowSave() override { return {}; }

private:
    std::string path_;
};

std::wstring TemporaryFile(const wchar_t* name)
{
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder + name;
}

bool WriteRandomFile(const std::wstring& path)
{
    std::vector<char> bytes(kFileBytes);
    std::mt19937 random(7);
    for (char& b : bytes) b = static_cast<char>(random());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace

int wmain()
{
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 0;
    for (const wchar_t* name : {L"walk.gb", L"walk.nes"}) {
        const std::wstring path = TemporaryFile(name);
        if (!WriteRandomFile(path)) {
            std::fputs("the 8 MiB file can't be written\n", stderr);
            status = 1;
            break;
        }
        BinaryRowConverter binary(L"");
        ChosenFile cd1(Utf8(path));
        Form1 form(GetModuleHandleW(nullptr), cd1, binary);
        const auto start = std::chrono::steady_clock::now();
        form.Load();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (form.viewer().Ended()) {
            std::fputs("the walk failed; is bitstrings.dll registered?\n", stderr);
            status = 1;
        } else {
            std::printf("%ls: load and full walk of 8 MiB (%zu rows): %.2f s, %.0f ns per row\n", name,
                        kFileBytes / 2, took.count(), took.count() * 1e9 / static_cast<double>(kFileBytes / 2));
        }
        DeleteFileW(path.c_str());
        if (status != 0) break;
    }
    CoUninitialize();
    return status;
}
