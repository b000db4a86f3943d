// Reading any file as a protected file: the restored text is written only
// when the file really is the protection of a text under the password, so
// protecting that text again gives the file back; otherwise the text file
// already there stays as it was.
#include "component_access.h"

#include <scripted_ui_host.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spill(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const fs::path& Folder()
{
    static const fs::path folder = [] {
        fs::path made = fs::temp_directory_path() / ("decrypt-fuzz-" + std::to_string(getpid()));
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

HRESULT Call(HRESULT (_Binary::*operation)(BSTR, VARIANT*), const fs::path& file)
{
    const std::string name = file.string();
    const std::u16string wide(name.begin(), name.end());
    BSTR argument = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = (TheBinary().*operation)(argument, &result);
    VariantClear(&result);
    SysFreeString(argument);
    return hr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScriptedUiHost host;
    const std::string sentinel = "text that was there before";
    const fs::path protectedFile = Folder() / "notes.pef";
    const fs::path textFile = Folder() / "notes.txt";
    const std::string input(reinterpret_cast<const char*>(data), size);
    Spill(protectedFile, input);
    Spill(textFile, sentinel);

    host.answers = {u"abcdefgh"};
    const HRESULT hr = Call(&_Binary::decrypt, protectedFile);
    const std::string restored = Slurp(textFile);
    if (FAILED(hr) || restored == sentinel) {
        if (restored != sentinel) std::abort();
        return 0;
    }
    std::string stripped = input;
    while (!stripped.empty() && (stripped.back() == '\r' || stripped.back() == '\n')) stripped.pop_back();
    host.answers = {u"abcdefgh"};
    if (FAILED(Call(&_Binary::encrypt, textFile)) || Slurp(protectedFile) != stripped) std::abort();
    return 0;
}
