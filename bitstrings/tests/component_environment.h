// What every test of the component shares: a registry of its own in a
// temporary folder with the component registered in it, objects created
// through the component model, a scripted user interface, and small helpers
// for text, files and errors.
#pragma once

#include "unique_bstr.h"

#include <binary_interface.h>
#include <objbase.h>
#include <rterrors.h>
#include <scripted_ui_host.h>
#include <temp_folder.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using bitstrings::AllocBstr;
using bitstrings::BstrView;
using bitstrings::UniqueBstr;

// The registry, the component's files and the cases' files of this process.
inline const TempFolder processFolder;
inline void* componentLibrary = nullptr;

// One of the loaded component library's exports.
template <typename Function = LPFNREGISTERSERVER>
Function ComponentExport(const char* name) { return reinterpret_cast<Function>(dlsym(componentLibrary, name)); }

struct ComponentEnvironment : ::testing::Environment {
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (processFolder / "data").c_str(), 1);
        setenv("HOME", processFolder.Path().c_str(), 1);
        setenv("COM_MACHINE_REGISTRY_DIR", (processFolder / "machine").c_str(), 1);
        CoInitialize(nullptr);
        componentLibrary = dlopen(BITSTRINGS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(componentLibrary, nullptr) << dlerror();
        ASSERT_EQ(ComponentExport("DllRegisterServer")(), S_OK);
    }
    void TearDown() override { CoUninitialize(); }
};
// An inline variable: registered once however many tests include this.
inline const auto* const componentEnvironment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

using BinaryPtr = std::unique_ptr<_Binary, void (*)(_Binary*)>;

// A Binary object created by CoCreateInstance, or null.
inline BinaryPtr CreateBinary()
{
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary, &object), S_OK);
    return BinaryPtr(static_cast<_Binary*>(object), [](_Binary* binary) { binary->Release(); });
}

// The fixture of the tests of one Binary object, with a scripted user interface.
class BinaryTest : public ::testing::Test {
protected:
    ScriptedUiHost ui;
    BinaryPtr binary = CreateBinary();
};

inline std::string ReadBytes(fs::path path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); }
inline void WriteBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path) << bytes; }

// A string variable passed by reference, as script hosts and comcall pass it.
inline VARIANT Reference(UniqueBstr& text)
{
    VARIANT arg{};
    arg.vt = VT_BYREF | VT_BSTR;
    arg.pbstrVal = text.inout();
    return arg;
}

// Expects the failure hr of run-time error number, with its description in
// the thread's error info, which is cleared after.
inline void ExpectError(HRESULT hr, LONG number)
{
    IErrorInfo* info = nullptr;
    UniqueBstr description;
    if (GetErrorInfo(0, &info) == S_OK) info->GetDescription(description.inout()), info->Release();
    EXPECT_EQ(std::tuple(hr, description.view()),
              std::tuple(HRESULT_FROM_ERROR_NUMBER(number), RtErrorDescription(number)));
}
