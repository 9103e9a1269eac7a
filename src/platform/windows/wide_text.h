// wide_text.h: UTF-8 to UTF-16 and back for the Win32 API's wide calls, and Win32 error codes
// as errno values.
#pragma once

#include <string>

namespace platform::windows {

std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* utf16, int length = -1);
// Sets errno from GetLastError() (or from `code`); returns the errno value.
int setErrnoFromLastError();
int errnoFor(unsigned long code);

}  // namespace platform::windows
