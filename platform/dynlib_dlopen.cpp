// dlopen, for the native build and for Winelib, whose Firebird client is a Linux library.

#include <dlfcn.h>

#include "platform/dynlib.h"

namespace platform {

LibraryHandle LoadDynamicLibrary(const std::string& name) {
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
  if (library == nullptr) return nullptr;
  return dlsym(library, name);
}

const char* const* FirebirdClientLibraryNames() {
  static const char* const names[] = {"libfbclient.so.2", "libfbclient.so", nullptr};
  return names;
}

}  // namespace platform
