#include "ordinary_user.h"
#include "test_support.h"

#include <winreg.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const std::u16string kNotFound = Error(ERROR_FILE_NOT_FOUND);
const std::u16string kBadDb = Error(ERROR_BADDB);

LONG SetMachineString(const std::u16string& key, const OLECHAR* name, const std::u16string& data)
{
    const std::u16string path = u"Software\\Classes\\" + key;
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_SZ, data.c_str(),
                           static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
}

class RegistryTest : public testing::Test {
protected:
    IsolatedRegistry registry;
};

TEST_F(RegistryTest, EveryStringComesBackAsStored)
{
    const std::u16string values[] = {
        u"", u"plain", u"quote \" backslash \\ equals =", u"line\nend\r\ttab", u"\x01\x1f\x7f",
        u"[CLSID\\{x}]", u"\xd800 unpaired", u"\xdc00", u"\xd83d\xde00 pair", u"\u00fc\u20ac",
    };
    for (size_t i = 0; i < std::size(values); ++i)
        ASSERT_EQ(SetString(u"Values", Wide("v" + std::to_string(i)).c_str(), values[i]), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"Values", u"\"odd\\ name\n", u"named"), ERROR_SUCCESS);

    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(GetString(u"Values", Wide("v" + std::to_string(i)).c_str()), values[i]) << i;
    EXPECT_EQ(GetString(u"Values", u"\"odd\\ name\n"), u"named");
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    ASSERT_EQ(SetString(u"CLSID\\{ab}\\InprocServer32", u"ThreadingModel", u"Apartment"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"clsid\\{AB}\\inprocserver32", u"threadingmodel", u"Both"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"Clsid\\{aB}\\INPROCSERVER32", u"THREADINGMODEL"), u"Both");
    const std::string text = ReadFile(registry.File());
    EXPECT_NE(text.find("[CLSID\\{ab}\\InprocServer32]"), std::string::npos) << text;
    EXPECT_EQ(text.find("inprocserver32"), std::string::npos) << text;
}

TEST_F(RegistryTest, MissingFileIsAnEmptyRegistry)
{
    EXPECT_EQ(GetString(u"CLSID"), kNotFound);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(registry.File()));
}

TEST_F(RegistryTest, SizeQueryAndShortBuffer)
{
    ASSERT_EQ(SetString(u"Key", nullptr, u"abc"), ERROR_SUCCESS);
    DWORD size = 0;
    DWORD type = 0;
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

TEST_F(RegistryTest, DeleteTreeRemovesTheKeyWithAllBelowIt)
{
    ASSERT_EQ(SetString(u"A\\B\\C", nullptr, u"deep"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"A", u"name", u"top"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"Z", nullptr, u"other"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"a"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(u"A\\B\\C"), kNotFound);
    EXPECT_EQ(GetString(u"A", u"name"), kNotFound);
    EXPECT_EQ(GetString(u"Z"), u"other");
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"), ERROR_FILE_NOT_FOUND);
    // Removing the last key removes the file that registering made.
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Z"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
}

TEST_F(RegistryTest, BadArguments)
{
    EXPECT_EQ(RegSetKeyValueW(reinterpret_cast<HKEY>(1), u"K", nullptr, REG_SZ, u"", 2), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, u"K", nullptr, 4, u"", 2), ERROR_UNSUPPORTED_TYPE);
    for (const char16_t* key : {u"A\\\\B", u"A\\", u"\\A", u"A\nB"})
        EXPECT_EQ(SetString(key, nullptr, u"x"), ERROR_INVALID_PARAMETER);
    // The hives hold their classes only.
    EXPECT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, u"System\\K", nullptr, REG_SZ, u"", 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, u"Software", nullptr, REG_SZ, u"", 2), ERROR_ACCESS_DENIED);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

// A key the user's classes hold hides the machine's whole key, values and all;
// every other key of HKEY_CLASSES_ROOT is the machine's.
TEST_F(RegistryTest, UserClassesHideTheMachinesKeyByKey)
{
    ASSERT_EQ(SetMachineString(u"A\\Key", nullptr, u"machine A"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(u"A\\Key", u"Name", u"machine name"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(u"B", nullptr, u"machine B"), ERROR_SUCCESS);
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
    const auto get = [](HKEY hive, const std::u16string& key, const char16_t* name) {
        char16_t buffer[64];
        DWORD size = sizeof buffer;
        const LONG result = RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size);
        return result == ERROR_SUCCESS ? std::u16string(buffer) : Error(result);
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::u16string classes = u"Software\\Classes\\" + std::u16string(c.key);
        EXPECT_EQ(get(HKEY_CLASSES_ROOT, c.key, c.name), c.classesRoot) << i;
        EXPECT_EQ(get(HKEY_CURRENT_USER, classes, c.name), c.user) << i;
        EXPECT_EQ(get(HKEY_LOCAL_MACHINE, classes, c.name), c.machine) << i;
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
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes", 0, KEY_ALL_ACCESS, &machineClasses),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, machineClasses), ERROR_SUCCESS);
    // The override outlives the handle.
    EXPECT_EQ(RegCloseKey(machineClasses), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(machineClasses), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetString(u"K"), kNotFound);

    ASSERT_EQ(SetString(u"K\\Sub", nullptr, u"machine"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.File()));
    EXPECT_EQ(GetString(u"K\\Sub"), u"machine");
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"K", 0, KEY_READ, &opened), ERROR_SUCCESS);
    char16_t buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegGetValueW(opened, u"Sub", nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buffer), u"machine");
    EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    EXPECT_EQ(RegGetValueW(opened, u"Sub", nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"K"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(registry.MachineFile()));

    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(SetString(u"K", nullptr, u"user"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry.File()));
    EXPECT_FALSE(fs::exists(registry.MachineFile()));
}

TEST_F(RegistryTest, DamagedOrUnreadableFileIsReportedAndNeverOverwritten)
{
    const std::string damaged[] = {
        "",
        "not a registry\n",
        "com-registry 1\n[A]\nstray text\n",
        "com-registry 1\n[A]\n@=\"unterminated\n",
        "com-registry 1\n[A]\n@=\"bad \\q escape\"\n",
        "com-registry 1\n[A]\n@=\"x\" trailing\n",
        "com-registry 1\n[A\\\\B]\n",
        "com-registry 1\n[A]\n@=\"\xff\xfe\"\n",
    };
    fs::create_directories(registry.File().parent_path());
    for (const std::string& text : damaged) {
        WriteFile(registry.File(), text);
        EXPECT_EQ(GetString(u"A"), kBadDb) << text;
        EXPECT_EQ(SetString(u"A", nullptr, u"new"), ERROR_BADDB) << text;
        EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A"), ERROR_BADDB) << text;
        EXPECT_EQ(ReadFile(registry.File()), text);
    }
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
    ASSERT_GE(old, 0);
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
// with its last key, behind the user's back, though its folder would allow it.
TEST_F(RegistryTest, ReadOnlyFileRefusesChanges)
{
    ASSERT_EQ(SetString(u"A", nullptr, u"first"), ERROR_SUCCESS);
    const std::string before = ReadFile(registry.File());
    ordinary_user::Give(registry.Path());
    fs::permissions(registry.File(), fs::perms(0444));
    EXPECT_EQ(ordinary_user::Run([] {
                  const LONG changed = SetString(u"A", nullptr, u"second");
                  const LONG removed = RegDeleteTreeW(HKEY_CLASSES_ROOT, u"A");
                  return std::to_string(changed) + ", " + std::to_string(removed);
              }),
              std::to_string(ERROR_ACCESS_DENIED) + ", " + std::to_string(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFile(registry.File()), before);
    EXPECT_EQ(Entries(registry.File().parent_path()), 1);
}

// What root registers for the machine, whatever its umask, every user reads;
// an ordinary user changes none of it.
TEST_F(RegistryTest, OrdinaryUserReadsTheMachinesClassesButCantChangeThem)
{
    if (geteuid() != 0) GTEST_SKIP() << "registering for the machine and acting as another user need root";
    fs::permissions(registry.Path(), fs::perms(0755));
    const mode_t mask = umask(077);
    const LONG written = SetMachineString(u"K", nullptr, u"root's");
    umask(mask);
    ASSERT_EQ(written, ERROR_SUCCESS);
    const std::string before = ReadFile(registry.MachineFile());

    EXPECT_EQ(ordinary_user::Run([] {
                  const bool read = GetString(u"K") == u"root's";
                  const LONG changed = SetMachineString(u"K", nullptr, u"mine");
                  const LONG removed = RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software\\Classes\\K");
                  return std::string(read ? "read" : "not read") + ", " + std::to_string(changed) + ", " +
                         std::to_string(removed);
              }),
              "read, " + std::to_string(ERROR_ACCESS_DENIED) + ", " + std::to_string(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFile(registry.MachineFile()), before);
}

TEST_F(RegistryTest, RelativeDataHomeIsIgnored)
{
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    ScopedEnv home("HOME", registry.Path().string());
    ASSERT_EQ(SetString(u"A", nullptr, u"x"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry / ".local/share/com-registry/classes.reg"));
}

}  // namespace
