#include "win32_common_dialog.h"

#include "export_converted.h"

#include <commdlg.h>

#include <optional>
#include <vector>

namespace {

// Room for the longest path the system takes.
constexpr size_t kPathCapacity = 32768;

std::wstring WideFromUtf8(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

}  // namespace

std::optional<std::string> Utf8FromWide(const wchar_t* wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, text.data(), size, nullptr, nullptr);
    text.pop_back();
    return text;
}

std::wstring NoUnicodeName(const wchar_t* name)
{
    return L"Can't use the name \"" + std::wstring(name) + L"\": it is not valid Unicode text.";
}

std::wstring SystemFilter(WideTextView filter)
{
    std::vector<WideTextView> parts;
    for (size_t start = 0;;) {
        const size_t bar = filter.find(L'|', start);
        parts.push_back(filter.substr(start, bar == WideTextView::npos ? WideTextView::npos : bar - start));
        if (bar == WideTextView::npos) break;
        start = bar + 1;
    }
    std::wstring pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        pairs.append(parts[i]).push_back(L'\0');
        pairs.append(parts[i + 1]).push_back(L'\0');
    }
    pairs.push_back(L'\0');
    return pairs;
}

std::string Win32CommonDialog::ShowOpen() { return Show(false); }

std::string Win32CommonDialog::ShowSave() { return Show(true); }

std::string Win32CommonDialog::Show(bool save)
{
    const std::wstring filterPairs = SystemFilter(filter);
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    const std::wstring proposed = WideFromUtf8(fileName);
    if (proposed.size() < path.size()) proposed.copy(path.data(), proposed.size());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_ && IsWindowVisible(owner_) ? owner_ : nullptr;
    dialog.lpstrFilter = filterPairs.size() > 1 ? filterPairs.c_str() : nullptr;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    // The flags are the dialog's own option values. Only opening insists on
    // an existing file; saving takes a new name and confirms replacing one.
    const DWORD common = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const auto options = static_cast<DWORD>(flags);
    dialog.Flags = save ? common | (options & ~OFN_FILEMUSTEXIST) | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT
                        : common | options;
    // A name that can't be kept is refused, and the dialog asks again.
    while (save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) {
        if (const std::optional<std::string> chosen = Utf8FromWide(path.data())) return fileName = *chosen;
        const std::wstring message = NoUnicodeName(path.data()) + L" Choose another name.";
        MessageBoxW(dialog.hwndOwner, message.c_str(), kConverterTitle, MB_OK | MB_TASKMODAL);
    }
    return {};
}
