// HRESULTs of the component model as the tools report them to the user.
#pragma once

#include <winerror.h>

#include <string>

// "0x80040154 (class not registered)".
std::string DescribeHResult(HRESULT hr);
