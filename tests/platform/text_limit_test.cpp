// The byte limit of an edit: one rule for typing, pasting and text set from outside, and the
// change a box made found again from the texts and the caret.
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless.h"
#include "platform/ui/text_limit.h"
#include "platform/ui/controls.h"

namespace {

using ui::ApplyWithinLimit;
using ui::DeduceChange;
using ui::TextChange;

TEST(ByteLimit, ATypedCharacterThatDoesNotFitIsRefusedAndTheTextStays) {
  // 15 of 16 bytes: a double-byte character would need 17.
  auto kept = ApplyWithinLimit("あいうえおかきZ", {15, 15, "あ"}, 16);
  EXPECT_TRUE(kept.refused);
  EXPECT_EQ(kept.text, "あいうえおかきZ");
  // Full, caret at the start: the end of the text is not dropped to make room.
  kept = ApplyWithinLimit("あいうえおかきく", {0, 0, "Z"}, 16);
  EXPECT_TRUE(kept.refused);
  EXPECT_EQ(kept.text, "あいうえおかきく");
  // Refused over a selection: the selection stays as it was.
  kept = ApplyWithinLimit("abcdefgh", {2, 3, "う"}, 8);
  EXPECT_TRUE(kept.refused);
  EXPECT_EQ(kept.text, "abcdefgh");
  EXPECT_EQ(kept.selection_start, 2u);
  EXPECT_EQ(kept.selection_end, 3u);
  // What fits goes in, at the caret; a replaced selection makes room.
  kept = ApplyWithinLimit("あいうえおかきZ", {0, 0, "Y"}, 16);
  EXPECT_EQ(kept.text, "YあいうえおかきZ");
  EXPECT_EQ(kept.selection_start, 1u);
  kept = ApplyWithinLimit("abcdefgh", {2, 4, "う"}, 8);
  EXPECT_EQ(kept.text, "abうefgh");
  EXPECT_EQ(kept.selection_end, 4u);
}

TEST(ByteLimit, APasteIsCutAtTheLastWholeCharacterThatFits) {
  auto kept = ApplyWithinLimit("あいう", {6, 6, "かきくけこさし"}, 16);
  EXPECT_EQ(kept.text, "あいうかきくけこ");
  EXPECT_EQ(kept.selection_start, 16u);
  // One byte of room never takes half a character.
  kept = ApplyWithinLimit("abcdefghijklmno", {2, 2, "かきく"}, 16);
  EXPECT_TRUE(kept.refused);
  EXPECT_EQ(kept.text, "abcdefghijklmno");
  kept = ApplyWithinLimit("abcdefghijklmno", {2, 2, "Zかきく"}, 16);
  EXPECT_EQ(kept.text, "abZcdefghijklmno");
  // No limit: everything goes in.
  EXPECT_EQ(ApplyWithinLimit("abc", {3, 3, "かきくけこさしすせそ"}, 0).text, "abcかきくけこさしすせそ");
}

TEST(ByteLimit, RemovingIsAlwaysAllowedAlsoFromATextOverTheLimit) {
  // A text the program set longer than the limit: the user can still shorten it.
  auto kept = ApplyWithinLimit("0123456789", {4, 6, ""}, 8);
  EXPECT_FALSE(kept.refused);
  EXPECT_EQ(kept.text, "01236789");
  kept = ApplyWithinLimit("0123456789", {9, 10, ""}, 8);
  EXPECT_EQ(kept.text, "012345678");
  // But nothing can be added to it.
  EXPECT_TRUE(ApplyWithinLimit("0123456789", {10, 10, "a"}, 8).refused);
}

TEST(ByteLimit, TheChangeIsFoundFromTheTextsAndTheCaret) {
  auto change = DeduceChange("あいうえおかきく", "Zあいうえおかきく", 1);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->start, 0u);
  EXPECT_EQ(change->end, 0u);
  EXPECT_EQ(change->inserted, "Z");
  // A selection replaced: what went and what came.
  change = DeduceChange("abcdefgh", "abうefgh", 4);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->inserted, "う");
  EXPECT_EQ(ApplyWithinLimit("abcdefgh", *change, 8).text, "abうefgh");
  // A paste that repeats the characters around it: the caret tells where it went in, and the
  // cut keeps the text that followed the caret.
  change = DeduceChange("ab", "abあいうb", 8);
  ASSERT_TRUE(change);
  EXPECT_EQ(ApplyWithinLimit("ab", *change, 9).text, "abあいうb") << "fits: unchanged";
  change = DeduceChange("ab", "abあいうbb", 9);  // "bあいうb" pasted between a and b
  ASSERT_TRUE(change);
  EXPECT_EQ(change->inserted, "bあいうb");
  EXPECT_EQ(ApplyWithinLimit("ab", *change, 8).text, "abあいb");
  // A caret inside a double-byte character is no place a change ends.
  EXPECT_FALSE(DeduceChange("ab", "a表b", 2));
  // Texts that one insertion ending at the caret cannot explain.
  EXPECT_FALSE(DeduceChange("abc", "xyz", 0));
  EXPECT_FALSE(DeduceChange("abc", "abcd", 9));
}

TEST(ByteLimit, TheHeadlessEditTypesAndPastesAtItsSelection) {
  headless::HeadlessBackend backend;
  ui::Form form("Form");
  ui::Edit edit(&form, "Edit");
  edit.Create({.left = 8, .top = 8, .width = 100, .height = 21, .tab_order = 0, .max_length = 16});
  form.Show();
  edit.SetText("あいうえおかきく");
  edit.SetSelection(0, 0);
  edit.Type("Z");
  EXPECT_EQ(edit.Text(), "あいうえおかきく");
  EXPECT_EQ(edit.SelectionStart(), 0);
  // Typing goes on character by character: after a refused one, one that fits still goes in.
  edit.SetText("あいうえおかきZ");
  edit.Type("あY");
  EXPECT_EQ(edit.Text(), "あいうえおかきZY");
  edit.SetText("あいう");
  edit.SetSelection(2, 4);  // "い"
  edit.Paste("かきくけこさしすせ");
  EXPECT_EQ(edit.Text(), "あかきくけこさう");
  EXPECT_EQ(edit.SelectionStart(), 14);
  // A text set anew puts the caret at its end.
  edit.SetText("ab");
  edit.Type("c");
  EXPECT_EQ(edit.Text(), "abc");
  // Nothing reaches a disabled field.
  edit.SetEnabled(false);
  edit.Type("d");
  edit.Paste("e");
  EXPECT_EQ(edit.Text(), "abc");
}

}  // namespace

// A character Shift-JIS cannot hold (𠮷, ㋿, é from a paste or the input method) is refused
// like one over the limit: what the user sees is what is stored.
TEST(ByteLimit, AnInsertionEndsBeforeItsFirstCharacterShiftJisCannotHold) {
  struct Case {
    const char* what;
    std::string before;
    TextChange change;
    std::size_t limit;
    std::string text;
    bool refused;
    bool cut;
  };
  const std::size_t all = std::string::npos;
  const Case cases[] = {
      {"typed alone: refused, the text stays", "ab", {2, 2, "?", 0}, 0, "ab", true, true},
      {"typed over a selection: refused, the selection stays", "abcd", {1, 3, "?", 0}, 0, "abcd", true, true},
      {"a paste keeps what comes before it", "ab", {2, 2, "あい?う", 4}, 0, "abあい", false, true},
      {"the byte limit cuts first when it is nearer", "ab", {2, 2, "あい?う", 4}, 4, "abあ", false, true},
      {"the unheld character is nearer than the limit", "ab", {2, 2, "あ?いう", 2}, 16, "abあ", false, true},
      {"every character held: only the limit counts", "ab", {2, 2, "あいう", all}, 6, "abあい", false, true},
      {"every character held and within the limit", "ab", {0, 0, "あ", all}, 0, "あab", false, false},
  };
  for (const Case& c : cases) {
    auto kept = ApplyWithinLimit(c.before, c.change, c.limit);
    EXPECT_EQ(kept.text, c.text) << c.what;
    EXPECT_EQ(kept.refused, c.refused) << c.what;
    EXPECT_EQ(kept.cut, c.cut) << c.what;
  }
  // The caret stands after what went in.
  auto kept = ApplyWithinLimit("ab", {1, 1, "か?", 2}, 0);
  EXPECT_EQ(kept.text, "aかb");
  EXPECT_EQ(kept.selection_start, 3u);
  EXPECT_EQ(kept.selection_end, 3u);
}
