// The class factory of Binary. It lives as long as the library and is not
// counted among the objects that keep the library loaded; LockServer is.
#pragma once

#include <unknwn.h>

namespace bitstrings {

class BinaryClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;
};

BinaryClassFactory& TheBinaryClassFactory();

}  // namespace bitstrings
