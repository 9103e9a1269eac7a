// system_code_page.h: the code page's characters as the system's converter gives them, each
// platform's own (posix/, windows/); code_page.cpp completes them to Windows' table.
#pragma once

#include "platform/code_page.h"

namespace platform {

std::optional<CodePageCharacters> systemCodePageCharacters(int codePage);

}  // namespace platform
