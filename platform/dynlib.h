// Loading a shared library at run time and finding its functions. The build compiles one
// implementation (LUMADEX_LIBRARY_LOADING): platform/dynlib_dlopen.cpp on Linux, Winelib included
// (the Firebird client there is a Linux library), platform/win32/dynlib_win32.cpp on Windows.
#pragma once

#include <string>

namespace platform {

// An opaque library handle; nullptr when the library could not be loaded.
using LibraryHandle = void*;

LibraryHandle LoadDynamicLibrary(const std::string& name);
// The address of an exported function; nullptr when the library has none of that name.
void* FindLibrarySymbol(LibraryHandle library, const char* name);

// File names of the Firebird client library in the order they are tried on this platform.
const char* const* FirebirdClientLibraryNames();

}  // namespace platform
