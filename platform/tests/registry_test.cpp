#include "ordinary_user.h"
#include "test_support.h"

#include <sys/stat.h>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

const std::u16string kNotFound = Error(ERROR_FILE_NOT_FOUND);
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
        u"[CLSID\\{x}]", u"\xd800 unpaired", u"\xdc00", u"\xd83d\xde00 pair", u"\xdbff\xdfff", u"\u00fc\u20ac",
    };
    for (size_t i = 0; i < std::size(values); ++i)
        ASSERT_EQ(SetString(u"CLSID\\{az}", Wide("v" + std::to_string(i)).c_str(), values[i]), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"CLSID\\{az}", u"\"odd\\ name\n", u"first"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"clsid\\{AZ}", u"\"ODD\\ NAME\n", u"named"), ERROR_SUCCESS);
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(GetString(u"Clsid\\{aZ}", Wide("V" + std::to_string(i)).c_str()), values[i]) << i;
    EXPECT_EQ(GetString(u"CLSID\\{az}", u"\"odd\\ name\n"), u"named");
    const std::string text = ReadFile(registry.File());
    EXPECT_NE(text.find("[CLSID\\{az}]"), std::string::npos) << text;
    EXPECT_EQ(text.find("clsid"), std::string::npos) << text;
}

// A missing file is an empty registry; removing the last value removes the file.
TEST_F(RegistryTest, DeleteTreeRemovesTheKeyWithAllBelowIt)
{
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"A\\B\\C", nullptr, u"deep"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"A", u"name", u"top"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"B"), ERROR_FILE_NOT_FOUND);
    errno = EINTR;  // whatever the caller's errno, a removed file is a success
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"a"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
}

TEST_F(RegistryTest, BadArguments)
{
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
    // A closed key is no handle.
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    // A failure other than a refused permission is a write fault.
    WriteFile(registry / "com-registry", "");
    EXPECT_EQ(SetString(u"K", nullptr, u"x"), ERROR_WRITE_FAULT);
}

TEST_F(RegistryTest, DamagedFileIsReportedAndNeverOverwritten)
{
    const std::string damaged[] = {
        "", "not a registry\n", "com-registry 1\n[A]\nstray text\n", "com-registry 1\n[A]\n@=\"unterminated\n",
        "com-registry 1\n[A]\n@=\"bad \\q escape\"\n", "com-registry 1\n[A]\n@=\"x\" trailing\n",
        "com-registry 1\n[A\\\\B]\n", "com-registry 1\n[]\n", "com-registry 1\n[A]\n@=\"\xff\xfe\"\n",
        "com-registry 1\n[A]\n@=x\"\n", "com-registry 1\n[A]\n@=\"\\u00g0\"\n",
    };
    fs::create_directories(registry.File().parent_path());
    for (const std::string& text : damaged) {
        WriteFile(registry.File(), text);
        EXPECT_EQ(GetString(u"A"), Error(ERROR_BADDB)) << text;
        EXPECT_EQ(SetString(u"A", nullptr, u"new"), ERROR_BADDB) << text;
        EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"), ERROR_BADDB) << text;
        EXPECT_EQ(ReadFile(registry.File()), text);
    }
    // A hand-written file may have comments, blank lines, CRLF and hex digits in either case.
    WriteFile(registry.File(), "com-registry 1\r\n; note\r\n\r\n[A]\r\n@=\"\\u09af\\u00FA\"\r\n");
    EXPECT_EQ(GetString(u"A"), u"\u09af\u00fa");
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

// What root registers for the machine, whatever its umask, every user reads
// through HKEY_CLASSES_ROOT, unless the user's own classes hold the key: that
// hides the machine's whole key, values and all.
TEST_F(RegistryTest, EveryUserReadsTheMachinesClassesWhereTheirOwnHaveNoKey)
{
    const mode_t mask = umask(077);
    const LONG written = SetString(kMachine + u"K", u"Name", u"root's", HKEY_LOCAL_MACHINE);
    umask(mask);
    ASSERT_EQ(written, ERROR_SUCCESS);
    EXPECT_EQ(fs::status(registry.MachineFile()).permissions(), fs::perms(0644));
    EXPECT_EQ(fs::status(registry.MachineFile().parent_path()).permissions(), fs::perms(0755));
    fs::permissions(registry.Path(), fs::perms(0755));
    EXPECT_EQ(ordinary_user::Run([] { return GetString(u"K", u"Name") == u"root's" ? "read" : "not read"; }), "read");
    EXPECT_EQ(GetString(kMachine + u"K", u"Name", HKEY_CURRENT_USER), kNotFound);
    ASSERT_EQ(SetString(u"k", nullptr, u"user's"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"K"), u"user's");
    // Whether a value is there may be asked without any buffer.
    EXPECT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, u"K", nullptr, RRF_RT_REG_SZ, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"K", u"Name"), kNotFound);
    EXPECT_EQ(GetString(kMachine + u"K", u"Name", HKEY_LOCAL_MACHINE), u"root's");
}

// Relative XDG_DATA_HOME and COM_MACHINE_REGISTRY_DIR are ignored, and without
// HOME the passwd entry's home serves: no registry is looked for below the
// current folder. (The real ones are only read, and hold no such keys.)
TEST_F(RegistryTest, RegistryFoldersAreNeverRelative)
{
    ASSERT_EQ(SetString(kMachine + u"Folders.Machine", nullptr, u"x", HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    const fs::path previous = fs::current_path();
    fs::current_path(registry.Path());
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    ScopedEnv home("HOME", registry.Path().c_str());
    EXPECT_EQ(SetString(u"Folders.User", nullptr, u"x"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry / ".local/share/com-registry/classes.reg"));
    ScopedEnv noHome("HOME", nullptr);
    ScopedEnv machine("COM_MACHINE_REGISTRY_DIR", "machine");
    EXPECT_EQ(GetString(u"Folders.User"), kNotFound);
    EXPECT_EQ(GetString(u"Folders.Machine"), kNotFound);
    fs::current_path(previous);
}

}  // namespace
