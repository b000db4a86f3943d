// encrypt and decrypt: a text file protected by an eight-character password.
// The protected file holds the bit string of the password followed by the
// text, its last digit moved to the front inverted. This only hides the text
// from casual reading: the password stands in the file itself.
#include "binary.h"

#include "automation_error.h"
#include "bit_strings.h"
#include "component_files.h"
#include "unique_bstr.h"

#include <hostui.h>
#include <ansicodes.h>
#include <winuser.h>

#include <algorithm>
#include <climits>
#include <new>
#include <string>

namespace bitstrings {
namespace {

constexpr const OLECHAR* kPasswordTitle = OLESTR("Password Needed");
constexpr const OLECHAR* kEncryptPrompt = OLESTR("What should be the password to get into this file? (8 letters long)");
constexpr const OLECHAR* kDecryptPrompt = OLESTR("What is the password to get into this file? (8 letters long)");
constexpr std::size_t kPasswordLength = 8;
constexpr std::size_t kPasswordDigits = kPasswordLength * kBitsPerCode;
// The given name loses this many characters before the new extension.
constexpr std::size_t kReplacedNameLength = 4;

// Every password character needs a single-byte code: one without would add
// no digits and leave the protected file unreadable.
bool IsUsablePassword(OleStringView answer)
{
    return answer.size() == kPasswordLength &&
           std::all_of(answer.begin(), answer.end(), [](OLECHAR c) { return AnsiCodeOfChar(c) >= 0; });
}

// Asks until the answer is a usable password; a cancelled prompt ends the
// operation with error 18.
HRESULT AskPassword(LPCWSTR prompt, OleString& password)
{
    for (;;) {
        UniqueBstr answer;
        const HRESULT hr = InputBoxW(prompt, kPasswordTitle, answer.inout());
        if (hr == S_FALSE) return RaiseError(RTERR_USER_INTERRUPT);
        if (hr == E_OUTOFMEMORY) return OutOfMemory();
        if (FAILED(hr)) return hr;
        if (IsUsablePassword(answer.view())) {
            password = answer.view();
            return S_OK;
        }
    }
}

HRESULT FileResult(LONG error) { return error == 0 ? S_OK : RaiseError(error); }

HRESULT WriteResult(const std::string& path, std::string_view bytes)
{
    OleString description;
    const LONG error = WriteWholeFile(path, bytes, description);
    return error == 0 ? S_OK : RaiseError(error, description.c_str());
}

// The given name without its last four characters, followed by extension.
HRESULT OutputPath(BSTR filename, OleStringView extension, std::string& path)
{
    const OleStringView name = BstrView(filename);
    if (name.size() < kReplacedNameLength) return RaiseError(RTERR_ILLEGAL_FUNCTION_CALL);
    OleString output(name.substr(0, name.size() - kReplacedNameLength));
    output += extension;
    return FileResult(PathOfFileName(output, path));
}

// A BSTR of `prefix` followed by one character for each byte, by the same
// code-to-character step as every conversion of the class: under any code
// page each byte comes back unchanged, and a protected file holds the bits
// of the text's bytes, so it reads the same on every machine.
HRESULT DecodeAnsi(OleStringView prefix, std::string_view bytes, UniqueBstr& text)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX) - prefix.size()) return OutOfMemory();
    text.reset(SysAllocStringLen(nullptr, static_cast<UINT>(prefix.size() + bytes.size())));
    if (!text.get()) return OutOfMemory();
    OLECHAR* rest = std::copy(prefix.begin(), prefix.end(), text.get());
    std::transform(bytes.begin(), bytes.end(), rest, [](char byte) { return AnsiCharOfCode(static_cast<BYTE>(byte)); });
    return S_OK;
}

// The bytes of characters that all have a single-byte code.
std::string EncodeAnsi(OleStringView text)
{
    std::string bytes(text.size(), '\0');
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](OLECHAR c) { return static_cast<char>(AnsiCodeOfChar(c)); });
    return bytes;
}

OLECHAR InvertedDigit(OLECHAR digit) { return digit == OLESTR('0') ? OLESTR('1') : OLESTR('0'); }

// Moves the last digit to the front, inverted.
void RotateRight(OLECHAR* digits, std::size_t count)
{
    if (count == 0) return;
    const OLECHAR last = digits[count - 1];
    std::copy_backward(digits, digits + count - 1, digits + count);
    digits[0] = InvertedDigit(last);
}

// Undoes RotateRight; a first character that is no digit is left in place.
void RotateLeft(OLECHAR* digits, std::size_t count)
{
    if (count == 0 || (digits[0] != OLESTR('0') && digits[0] != OLESTR('1'))) return;
    const OLECHAR first = digits[0];
    std::copy(digits + 1, digits + count, digits);
    digits[count - 1] = InvertedDigit(first);
}

// Line ends are never digits; any writer may have added some.
void DropTrailingLineEnds(std::string& bytes)
{
    while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n')) bytes.pop_back();
}

// The layout of a protected file: the password's 64 digits and eight for
// each character of the text, nothing but '0' and '1'.
bool HasProtectedLayout(std::string_view digits)
{
    return digits.size() >= kPasswordDigits && digits.size() % kBitsPerCode == 0 &&
           digits.find_first_not_of("01") == std::string_view::npos;
}

// Both operations begin alike: the password, then the named file read whole.
HRESULT AskPasswordAndRead(LPCWSTR prompt, BSTR filename, OleString& password, std::string& content)
{
    const HRESULT hr = AskPassword(prompt, password);
    if (FAILED(hr)) return hr;
    std::string path;
    if (const LONG error = PathOfFileName(BstrView(filename), path)) return RaiseError(error);
    if (const LONG error = ReadWholeFile(path, content)) return RaiseError(error);
    return S_OK;
}

}  // namespace

HRESULT Binary::EncryptFile(BSTR filename)
try {
    OleString password;
    std::string text;
    HRESULT hr = AskPasswordAndRead(kEncryptPrompt, filename, password, text);
    if (FAILED(hr)) return hr;

    UniqueBstr plain;
    hr = DecodeAnsi(password, text, plain);
    if (FAILED(hr)) return hr;
    std::string().swap(text);

    UniqueBstr digits;
    hr = Self()->GetStringBits(plain.get(), digits.inout());
    if (FAILED(hr)) return hr;
    plain.reset();
    RotateRight(digits.get(), digits.view().size());

    std::string outputPath;
    hr = OutputPath(filename, OLESTR(".pef"), outputPath);
    if (FAILED(hr)) return hr;
    return WriteResult(outputPath, EncodeAnsi(digits.view()));
} catch (const std::bad_alloc&) {
    return OutOfMemory();
}

HRESULT Binary::DecryptFile(BSTR filename)
try {
    OleString password;
    std::string content;
    HRESULT hr = AskPasswordAndRead(kDecryptPrompt, filename, password, content);
    if (FAILED(hr)) return hr;
    DropTrailingLineEnds(content);
    const bool wellFormed = HasProtectedLayout(content);

    UniqueBstr digits;
    hr = DecodeAnsi(OLESTR(""), content, digits);
    if (FAILED(hr)) return hr;
    std::string().swap(content);
    RotateLeft(digits.get(), digits.view().size());

    UniqueBstr text;
    hr = Self()->GetStringFromBits(digits.inout(), text.inout());
    if (FAILED(hr)) return hr;
    digits.reset();

    // Any file meets the password check first; only a file that passes it
    // and is then found damaged is refused as one of the wrong format.
    if (text.view().substr(0, kPasswordLength) != password) {
        MessageBoxW(nullptr, OLESTR("Password Incorrect"), OLESTR("Stopping Decrypton Process"), MB_ICONINFORMATION);
        return S_OK;
    }
    if (!wellFormed) return RaiseError(RTERR_INVALID_FILE_FORMAT);

    std::string outputPath;
    hr = OutputPath(filename, OLESTR(".txt"), outputPath);
    if (FAILED(hr)) return hr;
    return WriteResult(outputPath, EncodeAnsi(text.view().substr(kPasswordLength)));
} catch (const std::bad_alloc&) {
    return OutOfMemory();
}

}  // namespace bitstrings
