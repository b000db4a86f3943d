// What every test of the component shares: a registry of its own in a
// temporary folder with the component registered in it, objects created
// through the component model, and small helpers for text and files.
#pragma once

#include <binary_interface.h>
#include <objbase.h>
#include <oleauto.h>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <string>

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
using BinaryPtr = std::unique_ptr<_Binary, ComReleaser>;

// A Binary object created by CoCreateInstance, or null.
BinaryPtr CreateBinary();

// The loaded component library, and one of its exports.
void* ComponentLibrary();
template <typename Function>
Function ComponentExport(const char* name)
{
    return reinterpret_cast<Function>(dlsym(ComponentLibrary(), name));
}

// A new empty folder inside this process's temporary folder.
std::filesystem::path NewTestFolder();

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// The description that the thread's error info carries, cleared after.
std::u16string TakeErrorDescription();
