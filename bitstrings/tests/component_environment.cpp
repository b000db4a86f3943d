#include "component_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::filesystem::path processFolder;
void* library = nullptr;

class ComponentEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bitstrings-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        processFolder = pattern;
        setenv("XDG_DATA_HOME", (processFolder / "data").c_str(), 1);
        setenv("HOME", processFolder.c_str(), 1);
        CoInitialize(nullptr);
        library = dlopen(BITSTRINGS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        ASSERT_EQ(ComponentExport<LPFNREGISTERSERVER>("DllRegisterServer")(), S_OK);
    }
    void TearDown() override
    {
        CoUninitialize();
        std::filesystem::remove_all(processFolder);
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

}  // namespace

BinaryPtr CreateBinary()
{
    _Binary* object = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, IID__Binary,
                                        reinterpret_cast<void**>(&object));
    EXPECT_EQ(hr, S_OK);
    return BinaryPtr(object);
}

void* ComponentLibrary() { return library; }

std::filesystem::path NewTestFolder()
{
    static int count = 0;
    const std::filesystem::path folder = processFolder / ("case" + std::to_string(++count));
    std::filesystem::create_directories(folder);
    return folder;
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::u16string TakeErrorDescription()
{
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return {};
    BSTR description = nullptr;
    info->GetDescription(&description);
    info->Release();
    std::u16string text(description ? description : u"");
    SysFreeString(description);
    return text;
}
