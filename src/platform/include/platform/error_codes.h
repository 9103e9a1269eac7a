// error_codes.h: errno values POSIX systems have and MinGW's C library lacks, so that code
// translating errno values compiles everywhere. The Windows side never sets them.
#pragma once

#include <cerrno>

#ifndef ENOMEDIUM
#define ENOMEDIUM 2001
#endif
#ifndef EDQUOT
#define EDQUOT 2002
#endif
#ifndef ESTALE
#define ESTALE 2003
#endif
