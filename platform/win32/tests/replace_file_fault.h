// Makes the system's ReplaceFileW fail in one module as the system's can.
// The module calls it through its import table, whose slot is pointed at
// FailingReplaceFile: with `replaceFails` 0 that replaces as the system does;
// else it fails with that error, after moving the old file to its backup
// name unless the error says that it could not, and when `replaceStuck` a
// folder then takes the old file's name, so that it cannot go back either.
#pragma once

#include <windows.h>

#include <cstring>

inline DWORD replaceFails = 0;
inline bool replaceStuck = false;
inline decltype(&ReplaceFileW) systemReplaceFile = nullptr;

inline BOOL WINAPI FailingReplaceFile(LPCWSTR target, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID)
{
    if (replaceFails == 0) return systemReplaceFile(target, replacement, backup, flags, nullptr, nullptr);
    if (replaceFails != ERROR_UNABLE_TO_REMOVE_REPLACED) MoveFileW(target, backup);
    if (replaceStuck) CreateDirectoryW(target, nullptr);
    SetLastError(replaceFails);
    return FALSE;
}

// Points the module's slot at FailingReplaceFile, or back at the system's
// function; false where the module imports no ReplaceFileW.
inline bool RedirectReplaceFile(HMODULE module, bool failing)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && library->Name != 0; ++library) {
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk); name->u1.AddressOfData;
             ++name, ++slot) {
            const auto* imported = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) || std::strcmp(imported->Name, "ReplaceFileW") != 0) continue;
            DWORD access = 0;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &access);
            if (failing && slot->u1.Function != reinterpret_cast<ULONG_PTR>(FailingReplaceFile))
                systemReplaceFile = reinterpret_cast<decltype(&ReplaceFileW)>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(failing ? FailingReplaceFile : systemReplaceFile);
            VirtualProtect(slot, sizeof *slot, access, &access);
            return true;
        }
    }
    return false;
}
