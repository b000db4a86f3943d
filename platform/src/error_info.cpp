// The per-thread error info: the description and source of the last error
// that an Automation object raised on this thread.
#include <oleauto.h>

#include <atomic>
#include <new>
#include <string>

namespace {

class ErrorInfo final : public IErrorInfo, public ICreateErrorInfo {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *ppvObject = static_cast<IErrorInfo*>(this);
        } else if (riid == IID_ICreateErrorInfo) {
            *ppvObject = static_cast<ICreateErrorInfo*>(this);
        } else {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override { return Give(guid_, pGUID); }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override { return Give(source_, pBstrSource); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override
    {
        return Give(description_, pBstrDescription);
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override { return Give(helpFile_, pBstrHelpFile); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override
    {
        return Give(helpContext_, pdwHelpContext);
    }

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override
    {
        guid_ = rguid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) override { return Take(source_, szSource); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) override
    {
        return Take(description_, szDescription);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) override { return Take(helpFile_, szHelpFile); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) override
    {
        helpContext_ = dwHelpContext;
        return S_OK;
    }

private:
    template <typename T>
    static HRESULT Give(const T& value, T* out)
    {
        if (!out) return E_INVALIDARG;
        *out = value;
        return S_OK;
    }
    static HRESULT Give(const std::u16string& value, BSTR* out)
    {
        if (!out) return E_INVALIDARG;
        *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT Take(std::u16string& field, LPCOLESTR text)
    try {
        field = text ? text : u"";
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    std::atomic<ULONG> references_{1};
    GUID guid_{};
    std::u16string source_;
    std::u16string description_;
    std::u16string helpFile_;
    DWORD helpContext_ = 0;
};

// Released when the thread ends, so a last error nobody asked for doesn't leak.
struct ThreadErrorInfo {
    IErrorInfo* info = nullptr;
    ~ThreadErrorInfo()
    {
        if (info) info->Release();
    }
};
thread_local ThreadErrorInfo threadErrorInfo;

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo)
{
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new (std::nothrow) ErrorInfo;
    return *pperrinfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* perrinfo)
{
    if (perrinfo) perrinfo->AddRef();
    if (threadErrorInfo.info) threadErrorInfo.info->Release();
    threadErrorInfo.info = perrinfo;
    return S_OK;
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** pperrinfo)
{
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = threadErrorInfo.info;
    threadErrorInfo.info = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}
