// The failures that a component's self-registration reports.
#pragma once

#include "winerror.h"

#define SELFREG_E_TYPELIB ((HRESULT)0x80040200)
#define SELFREG_E_CLASS ((HRESULT)0x80040201)
