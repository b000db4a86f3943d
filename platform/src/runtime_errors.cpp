// Run-time error numbers, their descriptions, and the mapping from the
// failures of the component model onto them.
#include <rterrors.h>


namespace {

struct NumberedText {
    LONG number;
    LPCWSTR text;
};

constexpr NumberedText kDescriptions[] = {
    {RTERR_ILLEGAL_FUNCTION_CALL, OLESTR("Invalid procedure call or argument")},
    {RTERR_OVERFLOW, OLESTR("Overflow")},
    {RTERR_OUT_OF_MEMORY, OLESTR("Out of memory")},
    {RTERR_TYPE_MISMATCH, OLESTR("Type mismatch")},
    {RTERR_USER_INTERRUPT, OLESTR("User interrupt occurred")},
    {RTERR_BAD_FILE_NAME_OR_NUMBER, OLESTR("Bad file name or number")},
    {RTERR_FILE_NOT_FOUND, OLESTR("File not found")},
    {RTERR_BAD_FILE_MODE, OLESTR("Bad file mode")},
    {RTERR_FILE_ALREADY_OPEN, OLESTR("File already open")},
    {RTERR_DEVICE_IO_ERROR, OLESTR("Device I/O error")},
    {RTERR_DISK_FULL, OLESTR("Disk full")},
    {RTERR_TOO_MANY_FILES, OLESTR("Too many files")},
    {RTERR_PERMISSION_DENIED, OLESTR("Permission denied")},
    {RTERR_PATH_FILE_ACCESS_ERROR, OLESTR("Path/File access error")},
    {RTERR_PATH_NOT_FOUND, OLESTR("Path not found")},
    {RTERR_INVALID_FILE_FORMAT, OLESTR("Invalid file format")},
    {RTERR_CANT_CREATE_OBJECT, OLESTR("ActiveX component can't create object")},
    {RTERR_OBJECT_DOESNT_SUPPORT, OLESTR("Object doesn't support this property or method")},
    {RTERR_WRONG_ARGUMENT_COUNT, OLESTR("Wrong number of arguments or invalid property assignment")},
};

} // namespace

STDAPI_(LPCWSTR) RtErrorDescription(LONG number)
{
    for (const NumberedText& entry : kDescriptions)
        if (entry.number == number) return entry.text;
    return OLESTR("Application-defined or object-defined error");
}

STDAPI RtRaiseError(LONG number, LPCOLESTR source)
{
    return RtRaiseErrorDescribed(number, source, RtErrorDescription(number));
}

STDAPI RtRaiseErrorDescribed(LONG number, LPCOLESTR source, LPCOLESTR description)
{
    IErrorInfo* info = nullptr;
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        if (SUCCEEDED(create->SetSource(const_cast<LPOLESTR>(source ? source : OLESTR("")))) &&
            SUCCEEDED(create->SetDescription(const_cast<LPOLESTR>(description)))) {
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        }
        create->Release();
    }
    // Without memory for the error info the thread keeps none, rather than
    // the info of an earlier error.
    SetErrorInfo(0, info);
    if (info) info->Release();
    return HRESULT_FROM_ERROR_NUMBER(number);
}

STDAPI_(LONG) RtErrorNumberFromHResult(HRESULT hr)
{
    if (SUCCEEDED(hr)) return 0;
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return HRESULT_CODE(hr);
    switch (hr) {
    case DISP_E_TYPEMISMATCH: return RTERR_TYPE_MISMATCH;
    case DISP_E_OVERFLOW: return RTERR_OVERFLOW;
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND: return RTERR_OBJECT_DOESNT_SUPPORT;
    case DISP_E_BADPARAMCOUNT: return RTERR_WRONG_ARGUMENT_COUNT;
    case E_OUTOFMEMORY: return RTERR_OUT_OF_MEMORY;
    case REGDB_E_CLASSNOTREG:
    case REGDB_E_READREGDB:
    case CO_E_BAD_PATH:
    case CO_E_ERRORINDLL:
    case HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND): return RTERR_CANT_CREATE_OBJECT;
    default: return 0;
    }
}
