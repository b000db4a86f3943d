#include "ordinary_user.h"
#include "test_support.h"

#include <winreg.h>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const std::u16string kNotFound = Error(ERROR_FILE_NOT_FOUND);
const std::u16string kBadDb = Error(ERROR_BADDB);

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
}

TEST_F(RegistryTest, BadArguments)
{
    EXPECT_EQ(RegSetKeyValueW(reinterpret_cast<HKEY>(1), u"K", nullptr, REG_SZ, u"", 2), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, u"K", nullptr, 4, u"", 2), ERROR_UNSUPPORTED_TYPE);
    for (const char16_t* key : {u"A\\\\B", u"A\\", u"\\A", u"A\nB"})
        EXPECT_EQ(SetString(key, nullptr, u"x"), ERROR_INVALID_PARAMETER);
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

// A registry file that its user made read-only is not replaced behind the
// user's back, though its folder would allow the rename.
TEST_F(RegistryTest, ReadOnlyFileRefusesChanges)
{
    ASSERT_EQ(SetString(u"A", nullptr, u"first"), ERROR_SUCCESS);
    const std::string before = ReadFile(registry.File());
    ordinary_user::Give(registry.Path());
    fs::permissions(registry.File(), fs::perms(0444));
    EXPECT_EQ(ordinary_user::Run([] { return std::to_string(SetString(u"A", nullptr, u"second")); }),
              std::to_string(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFile(registry.File()), before);
    EXPECT_EQ(Entries(registry.File().parent_path()), 1);
}

TEST_F(RegistryTest, RelativeDataHomeIsIgnored)
{
    ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    ScopedEnv home("HOME", registry.Path().string());
    ASSERT_EQ(SetString(u"A", nullptr, u"x"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(registry / ".local/share/com-registry/classes.reg"));
}

}  // namespace
