// LoadLibraryA, for the Windows build (Winelib loads the Linux client with dlopen instead).

#include <windows.h>

#include "platform/dynlib.h"

namespace platform {

namespace {

// The machine a PE file is built for (0x14C: 32-bit x86), 0 when the file has no PE header.
unsigned MachineOf(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  unsigned machine = 0;
  unsigned char dos[64] = {};
  DWORD got = 0;
  if (ReadFile(file, dos, sizeof dos, &got, nullptr) && got == sizeof dos && dos[0] == 'M' && dos[1] == 'Z') {
    LONG header = static_cast<LONG>(dos[60] | dos[61] << 8 | dos[62] << 16 | dos[63] << 24);
    unsigned char pe[6] = {};
    if (header > 0 && SetFilePointer(file, header, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, pe, sizeof pe, &got, nullptr) && got == sizeof pe && pe[0] == 'P' && pe[1] == 'E' &&
        pe[2] == 0 && pe[3] == 0) {
      machine = pe[4] | pe[5] << 8;
    }
  }
  CloseHandle(file);
  return machine;
}

}  // namespace

LibraryHandle LoadDynamicLibrary(const std::string& name, LibraryLoadFailure* failure) {
  HMODULE library = LoadLibraryA(name.c_str());
  if (library != nullptr || failure == nullptr) return reinterpret_cast<LibraryHandle>(library);
  const DWORD error = GetLastError();
  *failure = LibraryLoadFailure{};
  failure->code = error;
  // Where the system takes the file from (the program's folder first, then the search path):
  // "module not found" (126) names the file itself when it is not there, and a library it needs
  // when it is.
  char found[MAX_PATH] = {};
  DWORD length = SearchPathA(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    failure->kind = LibraryLoadFailure::Kind::NotFound;
    return nullptr;
  }
  failure->path = found;
  if (error == ERROR_BAD_EXE_FORMAT && MachineOf(found) == IMAGE_FILE_MACHINE_I386) {
    failure->kind = LibraryLoadFailure::Kind::WrongArchitecture;
  } else if (error == ERROR_MOD_NOT_FOUND) {
    failure->kind = LibraryLoadFailure::Kind::DependencyMissing;
  } else {
    failure->kind = LibraryLoadFailure::Kind::Other;
  }
  return nullptr;
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
