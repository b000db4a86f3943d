#include "ordinary_user.h"
#include "test_support.h"

#include <winreg.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const std::u16string kNotFound = Error(ERROR_FILE_NOT_FOUND);
const std::u16string kBadDb = Error(ERROR_BADDB);
const std::u16string kMachine = u"Software\\Classes\\";

class RegistryTest : public testing::Test {
protected:
    IsolatedRegistry registry;
};

// Names ignore case and keep their first spelling; any text comes back as stored.
TEST_F(RegistryTest, EveryStringComesBackAsStored)
{
    const std::u16string values[] = {
        u"", u"plain", u"quote \" backslash \\ equals =", u"line\nend\r\ttab", u"\x01\x1a\x1f\x7f",
        u"[CLSID\\{x}]", u"\xd800 unpaired", u"\xdc00", u"\xd83d\xde00 pair", u"\u00fc\u20ac",
    };
    for (size_t i = 0; i < std::size(values); ++i)
        ASSERT_EQ(SetString(u"CLSID\\{ab}", Wide("v" + std::to_string(i)).c_str(), values[i]), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"CLSID\\{ab}", u"\"odd\\ name\n", u"first"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"clsid\\{AB}", u"\"ODD\\ NAME\n", u"named"), ERROR_SUCCESS);
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(GetString(u"Clsid\\{aB}", Wide("V" + std::to_string(i)).c_str()), values[i]) << i;
    EXPECT_EQ(GetString(u"CLSID\\{ab}", u"\"odd\\ name\n"), u"named");
    const std::string text = ReadFile(registry.File());
    EXPECT_NE(text.find("[CLSID\\{ab}]"), std::string::npos) << text;
    EXPECT_EQ(text.find("clsid"), std::string::npos) << text;
}

TEST_F(RegistryTest, SizeQueryAndShortBuffer)
{
    ASSERT_EQ(SetString(u"Key", nullptr, u"abc"), ERROR_SUCCESS);
    DWORD size = 0, type = 0;
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, u"Key", nullptr, RRF_RT_REG_SZ, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    char16_t buffer[4];
    size = 6;
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, u"Key", nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, u"Key", nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buffer), u"abc");
}

// A missing file is an empty registry; removing the last value removes the file.
TEST_F(RegistryTest, DeleteTreeRemovesTheKeyWithAllBelowIt)
{
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, nullptr), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
    ASSERT_EQ(SetString(u"A\\B\\C", nullptr, u"deep"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"A", u"name", u"top"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"Z", nullptr, u"other"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"a"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"Z"), u"other");
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"), ERROR_FILE_NOT_FOUND);
    errno = EINTR;  // whatever the caller's errno, a removed file is a success
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Z"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
    EXPECT_EQ(GetString(u"A\\B\\C"), kNotFound);
    EXPECT_EQ(GetString(u"A", u"name"), kNotFound);
}

TEST_F(RegistryTest, BadArguments)
{
    EXPECT_EQ(RegSetKeyValueW(reinterpret_cast<HKEY>(1), u"K", nullptr, REG_SZ, u"", 2), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, u"K", nullptr, 4, u"", 2), ERROR_UNSUPPORTED_TYPE);
    for (const char16_t* key : {u"A\\\\B", u"A\\", u"\\A", u"A\nB"})
        EXPECT_EQ(SetString(key, nullptr, u"x"), ERROR_INVALID_PARAMETER);
    // The hives hold their classes only.
    EXPECT_EQ(SetString(u"System\\K", nullptr, u"", HKEY_LOCAL_MACHINE), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SetString(u"Software", nullptr, u"", HKEY_CURRENT_USER), ERROR_ACCESS_DENIED);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
    // A failure other than a refused permission is a write fault.
    WriteFile(registry / "com-registry", "");
    EXPECT_EQ(SetString(u"K", nullptr, u"x"), ERROR_WRITE_FAULT);
}

// A key the user's classes hold hides the machine's whole key, values and all;
// every other key of HKEY_CLASSES_ROOT is the machine's.
TEST_F(RegistryTest, UserClassesHideTheMachinesKeyByKey)
{
    ASSERT_EQ(SetString(kMachine + u"A\\Key", nullptr, u"machine A", HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    ASSERT_EQ(SetString(kMachine + u"A\\Key", u"Name", u"machine name", HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    ASSERT_EQ(SetString(kMachine + u"B", nullptr, u"machine B", HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"a\\key", nullptr, u"user A"), ERROR_SUCCESS);
    const struct {
        const char16_t* key;
        const char16_t* name;
        std::u16string classesRoot, user, machine;
    } cases[] = {
        {u"A\\Key", nullptr, u"user A", u"user A", u"machine A"},
        {u"A\\Key", u"Name", kNotFound, kNotFound, u"machine name"},
        {u"B", nullptr, u"machine B", kNotFound, u"machine B"},
        {u"A", nullptr, kNotFound, kNotFound, kNotFound},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(GetString(c.key, c.name), c.classesRoot);
        EXPECT_EQ(GetString(kMachine + c.key, c.name, HKEY_CURRENT_USER), c.user);
        EXPECT_EQ(GetString(kMachine + c.key, c.name, HKEY_LOCAL_MACHINE), c.machine);
    }
    EXPECT_EQ(ReadFile(registry.File()).find("machine"), std::string::npos);
    EXPECT_EQ(ReadFile(registry.MachineFile()).find("user"), std::string::npos);
}

// Sends HKEY_CLASSES_ROOT back to both classes when it goes, whatever the test did.
struct ClassesRootOverride {
    ~ClassesRootOverride() { RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
};

TEST_F(RegistryTest, ClassesRootSentToTheMachineReadsAndChangesTheMachinesClasses)
{
    const ClassesRootOverride restore;
    HKEY machineClasses = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes", 0, KEY_ALL_ACCESS, &machineClasses), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, machineClasses), ERROR_SUCCESS);
    // The override outlives the handle.
    EXPECT_EQ(RegCloseKey(machineClasses), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(machineClasses), ERROR_INVALID_HANDLE);
    ASSERT_EQ(SetString(u"K\\Sub", nullptr, u"machine"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"K", 0, KEY_READ, &opened), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"Sub", nullptr, opened), u"machine");
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"Sub", nullptr, opened), Error(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"K"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.MachineFile()));

    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"K", nullptr, u"user"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry.File()));
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

TEST_F(RegistryTest, DamagedFileIsReportedAndNeverOverwritten)
{
    const std::string damaged[] = {
        "", "not a registry\n", "com-registry 1\n[A]\nstray text\n", "com-registry 1\n[A]\n@=\"unterminated\n",
        "com-registry 1\n[A]\n@=\"bad \\q escape\"\n", "com-registry 1\n[A]\n@=\"x\" trailing\n",
        "com-registry 1\n[A\\\\B]\n", "com-registry 1\n[]\n", "com-registry 1\n[A]\n@=\"\xff\xfe\"\n",
    };
    fs::create_directories(registry.File().parent_path());
    for (const std::string& text : damaged) {
        WriteFile(registry.File(), text);
        EXPECT_EQ(GetString(u"A"), kBadDb) << text;
        EXPECT_EQ(SetString(u"A", nullptr, u"new"), ERROR_BADDB) << text;
        EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"), ERROR_BADDB) << text;
        EXPECT_EQ(ReadFile(registry.File()), text);
    }
    // A hand-written file may have comments, blank lines, CRLF and hex digits in either case.
    WriteFile(registry.File(), "com-registry 1\r\n; note\r\n\r\n[A]\r\n@=\"\\u00e9\\u00C9\"\r\n");
    EXPECT_EQ(GetString(u"A"), u"\u00e9\u00c9");
    fs::remove(registry.File());
    fs::create_directory(registry.File());
    EXPECT_EQ(GetString(u"A"), kBadDb);
    EXPECT_EQ(SetString(u"A", nullptr, u"new"), ERROR_BADDB);
}

TEST_F(RegistryTest, ChangesReplaceTheFileWhole)
{
    ASSERT_EQ(SetString(u"A", nullptr, u"first"), ERROR_SUCCESS);
    const std::string before = ReadFile(registry.File());
    const int old = open(registry.File().c_str(), O_RDONLY);
    ASSERT_EQ(SetString(u"B", nullptr, u"second"), ERROR_SUCCESS);
    // The old file was renamed over, not rewritten in place.
    std::string seen(before.size() + 64, '\0');
    seen.resize(static_cast<size_t>(pread(old, seen.data(), seen.size(), 0)));
    close(old);
    EXPECT_EQ(seen, before);
    EXPECT_EQ(GetString(u"A"), u"first");
    EXPECT_EQ(Entries(registry.File().parent_path()), 1);
}

// A registry file that its user made read-only is not replaced, nor removed
// with its last key, behind the user's back, though its folder would allow it;
// nor is one whose folder can't be locked against other writers.
TEST_F(RegistryTest, ReadOnlyFileRefusesChanges)
{
    ASSERT_EQ(SetString(u"A", nullptr, u"first"), ERROR_SUCCESS);
    const std::string before = ReadFile(registry.File());
    ordinary_user::Give(registry.Path());
    const auto attempt = [] {
        return std::to_string(SetString(u"A", nullptr, u"second")) + ", " +
               std::to_string(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"));
    };
    const std::string denied = std::to_string(ERROR_ACCESS_DENIED) + ", " + std::to_string(ERROR_ACCESS_DENIED);
    fs::permissions(registry.File(), fs::perms(0444));
    EXPECT_EQ(ordinary_user::Run(attempt), denied);
    fs::permissions(registry.File(), fs::perms(0644));
    fs::permissions(registry.File().parent_path(), fs::perms(0333));
    EXPECT_EQ(ordinary_user::Run(attempt), denied);
    EXPECT_EQ(ReadFile(registry.File()), before);
    EXPECT_EQ(Entries(registry.File().parent_path()), 1);
}

// What root registers for the machine, whatever its umask, every user reads.
TEST_F(RegistryTest, EveryUserReadsTheMachinesClasses)
{
    const mode_t mask = umask(077);
    const LONG written = SetString(kMachine + u"K", nullptr, u"root's", HKEY_LOCAL_MACHINE);
    umask(mask);
    ASSERT_EQ(written, ERROR_SUCCESS);
    EXPECT_EQ(fs::status(registry.MachineFile()).permissions(), fs::perms(0644));
    EXPECT_EQ(fs::status(registry.MachineFile().parent_path()).permissions(), fs::perms(0755));
    fs::permissions(registry.Path(), fs::perms(0755));
    EXPECT_EQ(ordinary_user::Run([] { return GetString(u"K") == u"root's" ? "read" : "not read"; }), "read");
}

TEST_F(RegistryTest, RelativeDataHomeIsIgnored)
{
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    ScopedEnv home("HOME", registry.Path().string());
    ASSERT_EQ(SetString(u"A", nullptr, u"x"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry / ".local/share/com-registry/classes.reg"));
}

}  // namespace
