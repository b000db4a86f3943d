#include "test_support.h"
#include "testcomponent.h"

#include <objbase.h>
#include <winreg.h>

#include <dlfcn.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

void RegisterServer(const std::string& path)
{
    const std::u16string value = Wide(path);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, kTestObjectServerKey, nullptr, REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
}

bool IsLoaded(const std::filesystem::path& library)
{
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

class ActivationTest : public testing::Test {
public:
    IsolatedRegistry registry;

    // A private copy of the test component: the loader tells libraries apart
    // by file, so whether it is loaded says what this test did.
    std::filesystem::path Component(const std::string& name = "component.so")
    {
        std::filesystem::copy_file(TESTCOMPONENT_PATH, registry / name);
        return registry / name;
    }

    HRESULT Create(REFIID iid, IUnknown*& object)
    {
        object = reinterpret_cast<IUnknown*>(&object);
        return CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object));
    }
};

TEST_F(ActivationTest, CreatesTheRegisteredClassAndUnloadsItWhenUnused)
{
    const auto library = Component();
    RegisterServer(library);
    IUnknown* object = nullptr;
    ASSERT_EQ(Create(IID_IUnknown, object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(IsLoaded(library));
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(library));
    object->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(library));
}

TEST_F(ActivationTest, FailuresHaveTheirOwnResultAndLeaveNoObject)
{
    struct Case {
        const char* what;
        std::function<void(ActivationTest&)> prepare;
        HRESULT expected;
        IID iid = IID_IUnknown;
    };
    const Case cases[] = {
        {"not registered", [](ActivationTest&) {}, REGDB_E_CLASSNOTREG},
        {"library missing", [](ActivationTest& t) { RegisterServer(t.registry / "gone.so"); },
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"not a library",
         [](ActivationTest& t) {
             WriteFile(t.registry / "text.so", "just text");
             RegisterServer(t.registry / "text.so");
         },
         CO_E_ERRORINDLL},
        {"no entry point", [](ActivationTest&) { RegisterServer(TESTNOENTRY_PATH); },
         HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
        {"interface not offered", [](ActivationTest& t) { RegisterServer(t.Component("dispatch.so")); },
         E_NOINTERFACE, IID_IDispatch},
        {"damaged registry",
         [](ActivationTest& t) {
             std::filesystem::create_directories(t.registry.File().parent_path());
             WriteFile(t.registry.File(), "damaged");
         },
         REGDB_E_READREGDB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(registry.File());
        c.prepare(*this);
        IUnknown* object = nullptr;
        EXPECT_EQ(Create(c.iid, object), c.expected);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(ActivationTest, RelativePathIsRefusedWithoutLoadingAnything)
{
    const auto library = Component();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(registry.path());
    RegisterServer("component.so");
    IUnknown* object = nullptr;
    EXPECT_EQ(Create(IID_IUnknown, object), CO_E_BAD_PATH);
    std::filesystem::current_path(previous);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsLoaded(library));
}

TEST_F(ActivationTest, SelfRegisteredClassIsFoundByProgId)
{
    const auto library = Component();
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, "DllRegisterServer"));
    ASSERT_EQ(registerServer(), S_OK);
    dlclose(handle);

    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"platform.testobject", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestObject);
    EXPECT_EQ(CLSIDFromProgID(u"Platform.NoSuchClass", &clsid), CO_E_CLASSSTRING);
    IUnknown* object = nullptr;
    ASSERT_EQ(Create(IID_IUnknown, object), S_OK);
    object->Release();
}

}  // namespace
