// The Windows headers for the files of this directory, without the macros that would rename
// members of the platform interface (DeleteFile, CopyFile, MessageBox, ...).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <ddeml.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef ExitWindows
#undef MessageBox
#undef RegCreateKey
#undef RegDeleteKey
#undef RegDeleteValue
#undef SetFileAttributes
#undef WriteProfileString
#undef Yield
