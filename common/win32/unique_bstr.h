// Owner of a BSTR from the automation string functions.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "win32/unique_handle.h"

namespace win32 {

namespace traits {
struct bstr : null_invalid<BSTR> { static void close(BSTR s) noexcept { ::SysFreeString(s); } };
}  // namespace traits

using unique_bstr = unique_any<traits::bstr>;

}  // namespace win32
