// dlopen, for the native build and for Winelib, whose Firebird client is a Linux library.

#include <dlfcn.h>

#include <string>

#include "platform/dynlib.h"

namespace platform {

LibraryHandle LoadDynamicLibrary(const std::string& name, LibraryLoadFailure* failure) {
  LibraryHandle library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr || failure == nullptr) return library;
  // The loader tells only in words: the file missing, a 32-bit one, or a library it needs.
  const char* said = dlerror();
  const std::string text = said != nullptr ? said : "";
  *failure = LibraryLoadFailure{};
  if (text.find("wrong ELF class") != std::string::npos) {
    failure->kind = LibraryLoadFailure::Kind::WrongArchitecture;
    failure->path = name;
  } else if (text.rfind(name + ":", 0) == 0 && text.find("No such file") != std::string::npos) {
    failure->kind = LibraryLoadFailure::Kind::NotFound;
  } else if (text.find("No such file") != std::string::npos) {
    failure->kind = LibraryLoadFailure::Kind::DependencyMissing;
    failure->path = name;
  } else {
    failure->kind = LibraryLoadFailure::Kind::Other;
    failure->path = name;
  }
  return nullptr;
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
