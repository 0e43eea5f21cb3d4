// The desktop scan: which windows are Jw_cad drawings, the file selection pause, Jw_cad's folder.
#include <gtest/gtest.h>

#include "monitor/JwScan.h"
#include "tests/support/fake_services.h"

using namespace monitor;

namespace {

using platform::WindowRecord;
using testsupport::FakeServices;

WindowRecord Window(uint32_t handle, const std::string& title, bool visible = true, bool owned = false) {
  WindowRecord record;
  record.handle = handle;
  record.title = title;
  record.visible = visible;
  record.owned = owned;
  return record;
}

std::vector<std::string> Scan(FakeServices& services, const std::string& folder) {
  JwScanList list;
  list.folder = folder;
  EnumerateWindows(services, [&list](const WindowRecord& window) { return JwWindowScanProc(window, list); });
  std::vector<std::string> texts;
  for (const auto& entry : list.entries) texts.push_back(EntryText(entry));
  return texts;
}

bool FileDialogSeen(FakeServices& services) {
  FileDialogOpen = false;
  EnumerateWindows(services, [](const WindowRecord& window) { return FileDialogScanProc(window, 0); });
  return FileDialogOpen;
}

TEST(JwWindowScan, RecognisesDrawingWindowsByTitleOnly) {
  struct Case {
    const char* what;
    std::vector<WindowRecord> windows;
    std::vector<std::string> entries;
  };
  const std::vector<Case> cases = {
      {"untitled", {Window(10, "無題 - jw_win")}, {}},
      {"owned", {Window(11, "図面.jww - jw_win", true, true)}, {}},
      {"hidden", {Window(12, "図面.jww - jw_win", false)}, {}},
      {"doubled suffix", {Window(13, "a.jww - jw_win - jw_win")}, {"C:\\jww\\a.jww :H13"}},
      {"upper-case suffix", {Window(14, "a.jww - JW_WIN")}, {}},
      {"no suffix", {Window(15, "a.jww")}, {}},
      {"untitled with more text", {Window(16, "無題1 - jw_win")}, {"C:\\jww\\無題1 :H16"}},
      {"same title twice",
       {Window(17, "図面1.jww - jw_win"), Window(18, "図面1.jww - jw_win")},
       {"C:\\jww\\図面1.jww :H17", "C:\\jww\\図面1.jww :H18"}},
      {"key inside an earlier entry",
       {Window(123, "xa.jww - jw_win"), Window(12, "a.jww - jw_win")},
       {"C:\\jww\\xa.jww :H123"}},
      {"handle above 2^31", {Window(4000000000u, "b.jww - jw_win")}, {"C:\\jww\\b.jww :H4000000000"}},
      {"nothing of Jw_cad", {Window(19, "メモ帳"), Window(20, "")}, {}},
  };
  for (const auto& c : cases) {
    FakeServices services;
    services.windows = c.windows;
    EXPECT_EQ(Scan(services, "C:\\jww\\"), c.entries) << c.what;
  }
}

TEST(JwWindowScan, SuffixSearchNeverStartsInsideADoubleByteCharacter) {
  // "ー" is 0x81 0x5B; a title made to hold " - jw_win" only from the second byte of a character
  // on must not be taken, while the real suffix after it is.
  FakeServices services;
  std::string tricky = "\x81 - jw_win";  // lead byte eats the blank: no suffix at a character start
  services.windows = {Window(30, tricky), Window(31, "図面 - jw_win")};
  EXPECT_EQ(Scan(services, "\\"), std::vector<std::string>{"\\図面 :H31"});
}

TEST(FileDialogScan, AnyVisibleWindowTitledWithFileSelectionPauses) {
  FakeServices services;
  services.AddWindow("a.jww - jw_win");
  EXPECT_FALSE(FileDialogSeen(services));

  services.AddWindow("ファイル選択", true, true);  // owned by Jw_cad
  EXPECT_TRUE(FileDialogSeen(services));

  services.windows.clear();
  services.AddWindow("別のプログラム - ファイル選択ダイアログ");  // another program, unowned
  EXPECT_TRUE(FileDialogSeen(services));

  services.windows.clear();
  services.AddWindow("ファイル選択", false);  // hidden
  EXPECT_FALSE(FileDialogSeen(services));
}

TEST(GetJwFolder, FallsBackWithoutFailing) {
  FakeServices services;
  EXPECT_EQ(GetJwFolder(services), "\\");  // no key, subkey or value
  EXPECT_TRUE(services.registry_key_created);

  services.registry_value.status = platform::RegistryValue::Status::Text;
  services.registry_value.text = "C:\\jww\\図面";
  EXPECT_EQ(GetJwFolder(services), "C:\\jww\\図面\\");

  services.registry_value.text = "";
  EXPECT_EQ(GetJwFolder(services), "\\");

  services.registry_value.status = platform::RegistryValue::Status::ReadError;  // not a text value
  EXPECT_EQ(GetJwFolder(services), "");
}

TEST(WindowEntry, KeysIgnoreFolderAndLetterCase) {
  const WindowEntry entry = MakeWindowEntry(918, "C:\\jww\\図面a.JWW");
  EXPECT_EQ(EntryText(entry), "C:\\jww\\図面a.JWW :H918");
  EXPECT_EQ(entry.name_key, "図面A.JWW");
  EXPECT_EQ(MakeWindowEntry(5, "D:\\other\\図面a.jww").name_key, entry.name_key);
  // 表 is 0x95 0x5C: its second byte is not a folder separator, and stays whole when upper-cased.
  EXPECT_EQ(MakeWindowEntry(1, "表a.jww").name_key, "表A.JWW");
  EXPECT_EQ(MakeWindowEntry(2, "C:\\表\\b.jww").name_key, "B.JWW");
  EXPECT_EQ(MakeWindowEntry(3, "\\x.jww").name_key, "X.JWW");
}

}  // namespace
