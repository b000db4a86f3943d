#include "test_support.h"
#include "testcomponent.h"

#include <objbase.h>
#include <oleauto.h>

#include <dlfcn.h>

#include <thread>

#include <gtest/gtest.h>

namespace {

void RegisterServer(const fs::path& path) { ASSERT_EQ(SetString(kTestObjectServerKey, nullptr, Wide(path)), ERROR_SUCCESS); }

bool IsLoaded(const fs::path& library)
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
    fs::path Component(const std::string& name = "component.so")
    {
        fs::copy_file(TESTCOMPONENT_PATH, registry / name);
        return registry / name;
    }

    // Starts from a pointer that is not null, to see that failures clear it.
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
    VARIANT held, copy;
    VariantInit(&copy);
    held.vt = VT_UNKNOWN;
    held.punkVal = object;
    ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
    object->Release();
    // The copy holds a reference of its own.
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(library));
    VariantClear(&copy);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(library));
}

TEST_F(ActivationTest, FailuresHaveTheirOwnResultAndLeaveNoObject)
{
    WriteFile(registry / "text.so", "just text");
    const auto relative = Component();
    const auto dispatch = Component("dispatch.so");
    const struct {
        const char* what;
        fs::path server;  // empty: none registered (the damaged registry has none either)
        HRESULT expected;
        IID iid = IID_IUnknown;
    } cases[] = {
        {"not registered", "", REGDB_E_CLASSNOTREG},
        {"library missing", registry / "gone.so", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"library's folder is a file", registry / "text.so/x.so", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"not a library", registry / "text.so", CO_E_ERRORINDLL},
        {"no entry point", TESTNOENTRY_PATH, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)},
        {"interface not offered", dispatch, E_NOINTERFACE, IID_IDispatch},
        {"relative path, even where it would be found", "component.so", CO_E_BAD_PATH},
        {"damaged registry", "", REGDB_E_READREGDB},
    };
    fs::create_directories(registry.File().parent_path());
    const auto previous = fs::current_path();
    fs::current_path(registry.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(registry.File());
        if (!c.server.empty()) RegisterServer(c.server);
        if (c.expected == REGDB_E_READREGDB) WriteFile(registry.File(), "damaged");
        IUnknown* object = nullptr;
        EXPECT_EQ(Create(c.iid, object), c.expected);
        EXPECT_EQ(object, nullptr);
    }
    fs::current_path(previous);
    EXPECT_FALSE(IsLoaded(relative));
}

TEST_F(ActivationTest, SelfRegisteredClassIsFoundByProgId)
{
    void* handle = dlopen(Component().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_EQ(reinterpret_cast<LPFNREGISTERSERVER>(dlsym(handle, "DllRegisterServer"))(), S_OK);
    dlclose(handle);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"platform.testobject", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestObject);
    EXPECT_EQ(CLSIDFromProgID(u"Platform.NoSuchClass", &clsid), CO_E_CLASSSTRING);
    IUnknown* object = nullptr;
    ASSERT_EQ(Create(IID_IUnknown, object), S_OK);
    object->Release();
}

// The first initialization of a thread answers S_OK, until as many calls undo
// them; one too many is ignored.
TEST(Initialize, CountsPerThread)
{
    std::thread([] {
        CoUninitialize();
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    }).join();
}

}  // namespace
