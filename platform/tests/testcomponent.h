// The class of the test component library (testcomponent.cpp): its objects
// offer IUnknown only.
#pragma once

#include <wintypes.h>

// {6B1D5E2A-3C4F-4A8B-9E7D-1F2A3B4C5D6E}
inline constexpr CLSID CLSID_TestObject = {0x6b1d5e2a, 0x3c4f, 0x4a8b, {0x9e, 0x7d, 0x1f, 0x2a, 0x3b, 0x4c, 0x5d, 0x6e}};
inline constexpr const OLECHAR* kTestObjectServerKey = u"CLSID\\{6B1D5E2A-3C4F-4A8B-9E7D-1F2A3B4C5D6E}\\InprocServer32";
inline constexpr const OLECHAR* kTestObjectProgId = u"Platform.TestObject";
