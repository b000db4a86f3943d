// Run-time error numbers, their descriptions, and the mapping from the
// failures of the component model and the file system onto them.
#include <rterrors.h>

#include <cerrno>

namespace {

struct NumberedText {
    LONG number;
    LPCWSTR text;
};

constexpr NumberedText kDescriptions[] = {
    {RTERR_ILLEGAL_FUNCTION_CALL, u"Invalid procedure call or argument"},
    {RTERR_OVERFLOW, u"Overflow"},
    {RTERR_OUT_OF_MEMORY, u"Out of memory"},
    {RTERR_TYPE_MISMATCH, u"Type mismatch"},
    {RTERR_USER_INTERRUPT, u"User interrupt occurred"},
    {RTERR_BAD_FILE_NAME_OR_NUMBER, u"Bad file name or number"},
    {RTERR_FILE_NOT_FOUND, u"File not found"},
    {RTERR_BAD_FILE_MODE, u"Bad file mode"},
    {RTERR_FILE_ALREADY_OPEN, u"File already open"},
    {RTERR_DEVICE_IO_ERROR, u"Device I/O error"},
    {RTERR_DISK_FULL, u"Disk full"},
    {RTERR_TOO_MANY_FILES, u"Too many files"},
    {RTERR_PERMISSION_DENIED, u"Permission denied"},
    {RTERR_PATH_FILE_ACCESS_ERROR, u"Path/File access error"},
    {RTERR_PATH_NOT_FOUND, u"Path not found"},
    {RTERR_INVALID_FILE_FORMAT, u"Invalid file format"},
    {RTERR_CANT_CREATE_OBJECT, u"ActiveX component can't create object"},
    {RTERR_OBJECT_DOESNT_SUPPORT, u"Object doesn't support this property or method"},
    {RTERR_WRONG_ARGUMENT_COUNT, u"Wrong number of arguments or invalid property assignment"},
};

} // namespace

LPCWSTR RtErrorDescription(LONG number)
{
    for (const NumberedText& entry : kDescriptions)
        if (entry.number == number) return entry.text;
    return u"Application-defined or object-defined error";
}

HRESULT RtRaiseError(LONG number, LPCOLESTR source)
{
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetSource(const_cast<LPOLESTR>(source ? source : u""));
        create->SetDescription(const_cast<LPOLESTR>(RtErrorDescription(number)));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return HRESULT_FROM_ERROR_NUMBER(number);
}

LONG RtErrorNumberFromHResult(HRESULT hr)
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

LONG RtErrorNumberFromErrno(int err, BOOL forWriting)
{
    switch (err) {
    case ENOENT: return forWriting ? RTERR_PATH_NOT_FOUND : RTERR_FILE_NOT_FOUND;
    case ENOTDIR: return RTERR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY: return RTERR_PERMISSION_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return RTERR_DISK_FULL;
    case EIO: return RTERR_DEVICE_IO_ERROR;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
    case EBADF: return RTERR_BAD_FILE_NAME_OR_NUMBER;
    case EMFILE:
    case ENFILE: return RTERR_TOO_MANY_FILES;
    case ENOMEM: return RTERR_OUT_OF_MEMORY;
    default: return RTERR_PATH_FILE_ACCESS_ERROR;
    }
}
