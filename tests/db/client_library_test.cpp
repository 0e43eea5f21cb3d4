// When the Firebird client library cannot be loaded, the user is told which file and what to
// install: a missing file, a 32-bit one and a missing library it needs are three different fixes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/ClientLibrary.h"
#include "platform/dynlib.h"

namespace {

using Kind = platform::LibraryLoadFailure::Kind;

TEST(ClientLibraryMessage, EachFailureNamesTheFileAndItsOwnRemedy) {
  struct Case {
    Kind kind;
    const char* path;
    std::vector<std::string> says;
  };
  const Case cases[] = {
      {Kind::NotFound, "fbclient.dll", {"(fbclient.dll) が見つかりません", "64 ビット版 (x64)", "msvcr100.dll", "msvcp100.dll", "firebird.msg"}},
      {Kind::WrongArchitecture, "C:\\Lumadex\\fbclient.dll", {"C:\\Lumadex\\fbclient.dll は 32 ビット版", "64 ビット版 (x64) の fbclient.dll"}},
      {Kind::DependencyMissing, "C:\\Lumadex\\fbclient.dll", {"C:\\Lumadex\\fbclient.dll が必要とするファイル", "msvcr100.dll", "msvcp100.dll", "firebird.msg"}},
      {Kind::Other, "C:\\Lumadex\\fbclient.dll", {"C:\\Lumadex\\fbclient.dll を読み込めません（エラー 31）"}},
  };
  std::vector<std::string> seen;
  for (const Case& c : cases) {
    platform::LibraryLoadFailure failure;
    failure.kind = c.kind;
    failure.path = c.path;
    failure.code = 31;
    const std::string message = db::ClientLibraryMessage(failure);
    for (const std::string& part : c.says) EXPECT_NE(message.find(part), std::string::npos) << message << "\n" << part;
    EXPECT_EQ(message.find("vcruntime"), std::string::npos) << "Firebird 3's client does not use it";
    for (const std::string& other : seen) EXPECT_NE(message, other);
    seen.push_back(message);
  }
  EXPECT_EQ(db::ClientLibraryMessage(platform::LibraryLoadFailure{}), "");
}

TEST(ClientLibraryMessage, ALibraryThatIsNotThereIsToldAsNotFound) {
  platform::LibraryLoadFailure failure;
  EXPECT_EQ(platform::LoadDynamicLibrary("/nonexistent/libfbclient.so.2", &failure), nullptr);
  EXPECT_EQ(failure.kind, Kind::NotFound);
  // The client of this machine loads: nothing to tell.
  EXPECT_EQ(db::ClientLibraryProblem(), "");
}

}  // namespace
