// The component's class object, reached the way the component model reaches
// it: through the library's DllGetClassObject and the class factory.
#pragma once

#include <binary_interface.h>
#include <objbase.h>

#include <cstdlib>

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

inline _Binary& TheBinary()
{
    static _Binary* binary = [] {
        IClassFactory* factory = nullptr;
        _Binary* created = nullptr;
        if (FAILED(DllGetClassObject(CLSID_Binary, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
            FAILED(factory->CreateInstance(nullptr, IID__Binary, reinterpret_cast<void**>(&created))))
            std::abort();
        factory->Release();
        return created;
    }();
    return *binary;
}
