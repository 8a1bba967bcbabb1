// Loading code libraries at run time: the substitute host loads plug-ins this way.
//
// POSIX: dlopen/dlsym on shared objects. Windows: LoadLibrary/GetProcAddress on DLLs.
#pragma once

#include <string>

namespace platform {

using LibraryHandle = void*;

// Loads the library at `path`; null on failure, with the system's reason in `error`.
LibraryHandle OpenLibrary(const std::string& path, std::string* error);

// The address of an exported function, or null. On Windows a name exported with the
// Windows API convention may carry its decorated form ("_Name@12"); `argumentBytes`
// (the bytes of arguments the function takes) lets that form be found too.
void* FindLibraryFunction(LibraryHandle library, const char* name, int argumentBytes);

// Unloads a library; null is ignored.
void CloseLibrary(LibraryHandle library);

// The directory holding the running program, without a trailing separator; empty when
// it cannot be found.
std::string ProgramDirectory();

// The file name shared libraries carry on this target: ".so" or ".dll".
const char* LibrarySuffix();

}  // namespace platform
