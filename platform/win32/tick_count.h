#pragma once
#include "platform/win32/win32_types.h"

// Milliseconds since an arbitrary start, wrapping at 2^32 like the Windows call: differences
// of two readings are right across the wrap when taken in unsigned arithmetic.
DWORD GetTickCount();
