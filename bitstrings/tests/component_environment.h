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

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <bitset>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using bitstrings::AllocBstr;
using bitstrings::BstrView;
using bitstrings::UniqueBstr;
using testing::ElementsAre;
using testing::FieldsAre;

inline fs::path processFolder;
inline void* componentLibrary = nullptr;

// One of the loaded component library's exports.
template <typename Function = LPFNREGISTERSERVER>
Function ComponentExport(const char* name)
{
    return reinterpret_cast<Function>(dlsym(componentLibrary, name));
}

struct ComponentEnvironment : ::testing::Environment {
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "bitstrings-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        processFolder = pattern;
        setenv("XDG_DATA_HOME", (processFolder / "data").c_str(), 1);
        setenv("HOME", processFolder.c_str(), 1);
        setenv("COM_MACHINE_REGISTRY_DIR", (processFolder / "machine").c_str(), 1);
        CoInitialize(nullptr);
        componentLibrary = dlopen(BITSTRINGS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(componentLibrary, nullptr) << dlerror();
        ASSERT_EQ(ComponentExport("DllRegisterServer")(), S_OK);
    }
    void TearDown() override
    {
        CoUninitialize();
        fs::remove_all(processFolder);
    }
};
// An inline variable: registered once however many tests include this.
inline const auto* const componentEnvironment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
using BinaryPtr = std::unique_ptr<_Binary, ComReleaser>;

// A Binary object created by CoCreateInstance, or null.
inline BinaryPtr CreateBinary()
{
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary, &object), S_OK);
    return BinaryPtr(static_cast<_Binary*>(object));
}

// The fixture of the tests of one Binary object, with a scripted user interface.
class BinaryTest : public ::testing::Test {
protected:
    ScriptedUiHost ui;
    BinaryPtr binary = CreateBinary();
};

// A new empty folder inside this process's temporary folder.
inline fs::path NewTestFolder()
{
    static int count = 0;
    const fs::path folder = processFolder / ("case" + std::to_string(++count));
    fs::create_directories(folder);
    return folder;
}

inline std::string ReadBytes(const fs::path& path)
{
    return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Eight binary digits for each byte, most significant first.
inline std::string Bits(const std::string& bytes)
{
    std::string bits;
    for (const char byte : bytes) bits += std::bitset<8>(static_cast<unsigned char>(byte)).to_string();
    return bits;
}

inline std::u16string Utf16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

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
    EXPECT_EQ(hr, HRESULT_FROM_ERROR_NUMBER(number));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    UniqueBstr description;
    info->GetDescription(description.inout());
    info->Release();
    EXPECT_EQ(description.view(), RtErrorDescription(number));
}
