// LoadLibraryA, for the Windows build (Winelib loads the Linux client with dlopen instead).

#include <windows.h>

#include "platform/dynlib.h"

namespace platform {

LibraryHandle LoadDynamicLibrary(const std::string& name) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(name.c_str()));
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

const char* const* FirebirdClientLibraryNames() {
  static const char* const names[] = {"fbclient.dll", "gds32.dll", nullptr};
  return names;
}

}  // namespace platform
