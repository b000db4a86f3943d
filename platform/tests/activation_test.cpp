// Creation of registered classes, and the tools that register and call them,
// with the project's own component: bitstrings' class Binary.
#include "test_support.h"

#include <binary_interface.h>
#include <objbase.h>

#include <dlfcn.h>
#include <sys/wait.h>

#include <tuple>

#include <gtest/gtest.h>

namespace {

const std::u16string kServerKey = u"CLSID\\{825D6123-1414-4275-9D66-0C0349E1B484}\\InprocServer32";

bool IsLoaded(const fs::path& library)
{
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

// The exit status of a command run by the shell, its output discarded.
int ExitStatus(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ActivationTest : public testing::Test {
protected:
    IsolatedRegistry registry;

    // A private copy of the component: the loader tells libraries apart by
    // file, so whether it is loaded says what this test did.
    fs::path Component()
    {
        fs::copy_file(COMPONENT_PATH, registry / "component.so");
        return registry / "component.so";
    }

    // Starts from a pointer that is not null, to see that failures clear it.
    HRESULT Create(REFIID iid, IUnknown*& object)
    {
        object = reinterpret_cast<IUnknown*>(&object);
        return CoCreateInstance(CLSID_Binary, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object));
    }
};

TEST_F(ActivationTest, FailuresHaveTheirOwnResultAndLeaveNoObject)
{
    WriteFile(registry / "text.so", "just text");
    const auto loadable = Component();
    const std::tuple<const char*, fs::path, HRESULT, IID> cases[] = {
        {"not registered", "", REGDB_E_CLASSNOTREG, IID_IUnknown},
        {"library missing", registry / "gone.so", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), IID_IUnknown},
        {"folder is a file", registry / "text.so/x.so", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), IID_IUnknown},
        {"not a library", registry / "text.so", CO_E_ERRORINDLL, IID_IUnknown},
        {"no entry point", TESTNOENTRY_PATH, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), IID_IUnknown},
        {"interface not offered", loadable, E_NOINTERFACE, IID_IClassFactory},
        {"relative path", "component.so", CO_E_BAD_PATH, IID_IUnknown},
        {"damaged registry", "", REGDB_E_READREGDB, IID_IUnknown},
    };
    fs::create_directories(registry.File().parent_path());
    for (const auto& [what, server, expected, iid] : cases) {
        SCOPED_TRACE(what);
        fs::remove(registry.File());
        if (!server.empty()) SetString(kServerKey, nullptr, Wide(server));
        if (expected == REGDB_E_READREGDB) WriteFile(registry.File(), "damaged");
        IUnknown* object = nullptr;
        EXPECT_EQ(Create(iid, object), expected);
        EXPECT_EQ(object, nullptr);
    }
}

// The first initialization answers S_OK, until as many calls undo them; one
// too many is ignored.
TEST(Initialize, CountsCallsUntilUndone)
{
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

// regsvr registers a class for the user (the default) or for the machine, in
// those classes alone, under its library's canonical path. The class is then
// found by its ProgID in any case and created; its library goes when no object
// of it is left, and -u removes the registration whole.
TEST_F(ActivationTest, RegsvrRegistersAClassThatIsCreatedUntilUnregistered)
{
    fs::create_directory(registry / "sub");
    const fs::path library = Component();
    for (const bool machine : {false, true}) {
        SCOPED_TRACE(machine ? "machine" : "user");
        const std::string run = "cd " + registry.Path().string() + " && " REGSVR_PATH + (machine ? " --machine" : "");
        EXPECT_EQ(ExitStatus(run + " sub/../component.so"), 0);
        EXPECT_EQ(GetString(kServerKey), Wide(library));
        EXPECT_FALSE(fs::exists(machine ? registry.File() : registry.MachineFile()));
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(u"project1.binary", &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_Binary);
        IUnknown* object = nullptr;
        ASSERT_EQ(Create(IID_IUnknown, object), S_OK);
        CoFreeUnusedLibraries();
        EXPECT_TRUE(IsLoaded(library));
        object->Release();
        CoFreeUnusedLibraries();
        EXPECT_FALSE(IsLoaded(library));
        EXPECT_EQ(ExitStatus(run + " -u component.so"), 0);
        EXPECT_FALSE(fs::exists(machine ? registry.MachineFile() : registry.File()));
    }
}

// Usage errors exit with 2, failures with 1; classes that comcall can't create are usage errors too.
TEST_F(ActivationTest, ToolsExitStatusTellsUsageErrorsFromFailures)
{
    WriteFile(registry / "text.so", "just text");
    const std::string regsvr = REGSVR_PATH " ", comcall = COMCALL_PATH " ";
    const std::pair<std::string, int> cases[] = {
        {regsvr, 2}, {regsvr + "-u", 2}, {regsvr + "-x " COMPONENT_PATH, 2}, {regsvr + "a.so b.so", 2},
        {regsvr + "--machine", 2}, {regsvr + "-u -u " COMPONENT_PATH, 2},
        {regsvr + "--machine --machine " COMPONENT_PATH, 2}, {regsvr + (registry / "missing.so").string(), 1},
        {regsvr + (registry / "text.so").string(), 1}, {regsvr + TESTNOENTRY_PATH, 1},
        {regsvr + "-u " TESTNOENTRY_PATH, 1}, {comcall, 2}, {comcall + "--show-args", 2}, {comcall + "Only.ProgId", 2},
        {comcall + "--bogus Project1.Binary Method", 2}, {comcall + "No.Such.Class Method", 2},
    };
    for (const auto& [command, expected] : cases) EXPECT_EQ(ExitStatus(command), expected) << command;
    EXPECT_FALSE(fs::exists(registry.File()));
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

}  // namespace
