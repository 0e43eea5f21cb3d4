// Loading a shared library at run time and finding its functions. The build compiles one
// implementation (LUMADEX_LIBRARY_LOADING): platform/dynlib_dlopen.cpp on Linux, Winelib included
// (the Firebird client there is a Linux library), platform/win32/dynlib_win32.cpp on Windows.
#pragma once

#include <string>

namespace platform {

// An opaque library handle; nullptr when the library could not be loaded.
using LibraryHandle = void*;

// Why a library could not be loaded, as far as the system tells.
struct LibraryLoadFailure {
  enum class Kind {
    None,
    NotFound,           // no file of that name where the system looks
    WrongArchitecture,  // a 32-bit library for this 64-bit program
    DependencyMissing,  // the file is there, a library it needs is not
    Other,              // damaged, or refused for another reason (`code`)
  };
  Kind kind = Kind::None;
  std::string path;        // the file the system found, when it found one
  unsigned long code = 0;  // the system's error number (Windows), 0 when there is none
};

LibraryHandle LoadDynamicLibrary(const std::string& name, LibraryLoadFailure* failure = nullptr);
// The address of an exported function; nullptr when the library has none of that name.
void* FindLibrarySymbol(LibraryHandle library, const char* name);

// File names of the Firebird client library in the order they are tried on this platform.
const char* const* FirebirdClientLibraryNames();

}  // namespace platform
