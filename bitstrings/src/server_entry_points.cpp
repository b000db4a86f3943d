// The four exports of an in-process component server, and the registration
// of the class Binary with its programmatic name; the type library and the
// interface _Binary are registered by the platform's part. Running out of
// memory fails with error 7, never with an exception through the export.
#include "automation_error.h"
#include "class_factory.h"
#include "registry_values.h"
#include "server_lifetime.h"
#include "server_registration.h"

#include <binary_interface.h>
#include <objbase.h>
#include <olectl.h>

#include <new>

using bitstrings::DeleteKey;
using bitstrings::GuidText;
using bitstrings::OleString;
using bitstrings::SetValue;

namespace {

OleString ClassKey() { return OLESTR("CLSID\\") + GuidText(CLSID_Binary); }

bool RemoveRegistration()
{
    const bool classRemoved = DeleteKey(ClassKey());
    // The programmatic name stays while the other platform's programs can
    // still create the class by it.
    const bool progIdRemoved = bitstrings::RegisteredForOtherPlatform(ClassKey()) || DeleteKey(PROGID_Binary);
    const bool typeLibraryRemoved = bitstrings::UnregisterTypeLibrary();
    return classRemoved && progIdRemoved && typeLibraryRemoved;
}

HRESULT WriteRegistration(const OleString& modulePath)
try {
    if (!bitstrings::RegisterTypeLibrary(modulePath)) return SELFREG_E_TYPELIB;
    const OleString progId = PROGID_Binary;
    const OleString classKey = ClassKey();
    const OleString serverKey = classKey + OLESTR("\\InprocServer32");
    const bool registered = SetValue(classKey, nullptr, progId) && SetValue(serverKey, nullptr, modulePath) &&
                            SetValue(serverKey, OLESTR("ThreadingModel"), OLESTR("Apartment")) &&
                            SetValue(classKey + OLESTR("\\ProgID"), nullptr, progId) &&
                            SetValue(progId, nullptr, progId) &&
                            SetValue(progId + OLESTR("\\CLSID"), nullptr, GuidText(CLSID_Binary));
    return registered ? S_OK : SELFREG_E_CLASS;
} catch (const std::bad_alloc&) {
    return bitstrings::OutOfMemory();
}

}  // namespace

STDAPI DllRegisterServer(void)
try {
    OleString modulePath;
    if (!bitstrings::OwnModulePath(modulePath)) return SELFREG_E_CLASS;
    const HRESULT hr = WriteRegistration(modulePath);
    // Nothing half-registered stays behind.
    if (FAILED(hr)) RemoveRegistration();
    return hr;
} catch (const std::bad_alloc&) {
    return bitstrings::OutOfMemory();
}

STDAPI DllUnregisterServer(void)
try {
    return RemoveRegistration() ? S_OK : SELFREG_E_CLASS;
} catch (const std::bad_alloc&) {
    return bitstrings::OutOfMemory();
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_Binary) return CLASS_E_CLASSNOTAVAILABLE;
    return bitstrings::TheBinaryClassFactory().QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow(void)
{
    return bitstrings::ServerInUse() ? S_FALSE : S_OK;
}
