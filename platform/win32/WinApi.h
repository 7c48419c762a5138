#pragma once
// The Windows headers for the binding. windows.h defines macros such as
// DeleteFile or MessageBox that would rename the interface operations of the
// same names; they are undefined here, and the binding calls the ANSI
// functions (DeleteFileA, MessageBoxA) by their own names. Every file of the
// binding includes this header instead of <windows.h>.

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef FindFirstFile
#undef FindNextFile
#undef GetCurrentDirectory
#undef GetEnvironmentVariable
#undef GetFileAttributes
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef GetModuleFileName
#undef GetProfileSection
#undef GetTempFileName
#undef GetTempPath
#undef GetWindowsDirectory
#undef LoadString
#undef MessageBox
#undef MoveFile
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef SetFileAttributes
#undef WriteProfileSection
#undef CreateProcess
#undef ShellExecute
#undef RegOpenKey
#undef RegCreateKey
#undef RegQueryValue
#undef RegSetValue
#undef RegDeleteValue
#undef RegDeleteKey
#undef RegEnumKey
