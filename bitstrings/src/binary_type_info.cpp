#include "binary_type_info.h"

#include "automation_error.h"
#include "binary_members.h"
#include "server_lifetime.h"
#include "unique_bstr.h"

#include <binary_interface.h>

namespace bitstrings {
BinaryTypeInfo::BinaryTypeInfo() { ObjectCreated(); }

BinaryTypeInfo::~BinaryTypeInfo() { ObjectDestroyed(); }

HRESULT BinaryTypeInfo::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
        *ppvObject = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG BinaryTypeInfo::AddRef() { return ++references_; }

ULONG BinaryTypeInfo::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

HRESULT BinaryTypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames)
{
    if (!rgBstrNames || !pcNames) return E_POINTER;
    *pcNames = 0;
    const Member* member = FindMember(memid);
    if (!member) return TYPE_E_ELEMENTNOTFOUND;
    for (std::u16string_view name : {member->name, member->parameter}) {
        if (*pcNames == cMaxNames) break;
        rgBstrNames[*pcNames] = AllocBstr(name);
        if (!rgBstrNames[*pcNames]) return OutOfMemory();
        ++*pcNames;
    }
    return S_OK;
}

HRESULT BinaryTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId)
{
    return IdsOfNames(rgszNames, cNames, pMemId);
}

HRESULT BinaryTypeInfo::Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                               VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (!pvInstance) return E_INVALIDARG;
    return static_cast<_Binary*>(pvInstance)->Invoke(memid, IID_NULL, 0, wFlags, pDispParams, pVarResult, pExcepInfo,
                                                     puArgErr);
}

HRESULT BinaryTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                         DWORD* pdwHelpContext, BSTR* pBstrHelpFile)
{
    std::u16string_view name = u"_Binary";
    std::u16string_view help;
    if (memid != MEMBERID_NIL) {
        const Member* member = FindMember(memid);
        if (!member) return TYPE_E_ELEMENTNOTFOUND;
        name = member->name;
        help = member->helpString;
    }
    // An operation without a help string has no documentation string at all.
    UniqueBstr nameText(pBstrName ? AllocBstr(name) : nullptr);
    UniqueBstr helpText(pBstrDocString && !help.empty() ? AllocBstr(help) : nullptr);
    if ((pBstrName && !nameText.get()) || (pBstrDocString && !help.empty() && !helpText.get())) {
        return OutOfMemory();
    }
    if (pBstrName) *pBstrName = nameText.release();
    if (pBstrDocString) *pBstrDocString = helpText.release();
    if (pdwHelpContext) *pdwHelpContext = 0;
    if (pBstrHelpFile) *pBstrHelpFile = nullptr;
    return S_OK;
}

}  // namespace bitstrings
