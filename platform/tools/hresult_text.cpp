#include "hresult_text.h"

#include <olectl.h>
#include <rterrors.h>
#include <winreg.h>

#include <cstdio>

namespace {

struct Meaning {
    HRESULT hr;
    const char* text;
};

constexpr Meaning kMeanings[] = {
    {REGDB_E_CLASSNOTREG, "class not registered"},
    {CO_E_CLASSSTRING, "no class registered under that name"},
    {REGDB_E_READREGDB, "the component registry can't be read or is damaged"},
    {REGDB_E_WRITEREGDB, "the component registry can't be written"},
    {HRESULT_FROM_WIN32(ERROR_BADDB), "the component registry is damaged"},
    {HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), "the component registry can't be written"},
    {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "not found in the component registry"},
    {CO_E_BAD_PATH, "the registered library path is not absolute"},
    {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "the registered library file is missing"},
    {CO_E_ERRORINDLL, "the registered library can't be loaded"},
    {HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), "the library has no DllGetClassObject entry point"},
    {CLASS_E_CLASSNOTAVAILABLE, "the library doesn't provide that class"},
    {E_NOINTERFACE, "interface not supported"},
    {SELFREG_E_CLASS, "the class could not be registered"},
    {SELFREG_E_TYPELIB, "the type library could not be registered"},
    {E_ACCESSDENIED, "access denied"},
    {E_OUTOFMEMORY, "out of memory"},
    {HRESULT_FROM_ERROR_NUMBER(RTERR_OUT_OF_MEMORY), "out of memory"},
    {E_INVALIDARG, "invalid argument"},
    {E_UNEXPECTED, "unexpected failure"},
    {E_FAIL, "unspecified failure"},
};

}  // namespace

std::string DescribeHResult(HRESULT hr)
{
    const char* text = "unknown failure";
    for (const Meaning& meaning : kMeanings)
        if (meaning.hr == hr) text = meaning.text;
    char line[128];
    std::snprintf(line, sizeof line, "0x%08X (%s)", static_cast<unsigned>(hr), text);
    return line;
}
