// The byte limit of a one-line edit, as one rule for every way text reaches it: a typed
// character that does not fit is refused and the text stays as it was; a longer insertion (a
// paste, an input method's result, a text set from outside) is cut at the last whole character
// that fits. A character that Shift-JIS cannot hold (from a paste or an input method) is refused
// the same way: the insertion ends before it. Shared by the headless edit and the Win32 peer, so the forms' tests see the rule the
// user meets.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ui {

// One change of a text: the bytes [start, end) of the text before are replaced by `inserted`.
struct TextChange {
  std::size_t start = 0;
  std::size_t end = 0;
  std::string inserted;
  // The bytes of `inserted` before its first character that Shift-JIS cannot hold (the box
  // shows it, the text would store "?" or another letter); npos when it holds all of them.
  std::size_t held = std::string::npos;
};

// The text after a change, with the selection it leaves (a caret when start == end).
struct LimitedText {
  std::string text;
  std::size_t selection_start = 0;
  std::size_t selection_end = 0;
  bool refused = false;  // nothing of the insertion fitted: text and selection are as before
  bool cut = false;      // some of the insertion was left out (refused included)
};

// Applies `change` to `before` under a limit of `limit` bytes (0: no limit). The insertion is cut
// at the last whole character that fits and before the first one not held; a change that inserts something but keeps none of it
// is refused. Removing text is always allowed, also from a text already longer than the limit.
LimitedText ApplyWithinLimit(const std::string& before, const TextChange& change, std::size_t limit);

// The change that turned `before` into `after`, knowing that the caret stood at byte `caret_after`
// of `after` once it was made (typing and pasting leave the caret after what they inserted).
// None when no single replacement ending at the caret explains the two texts.
std::optional<TextChange> DeduceChange(const std::string& before, const std::string& after,
                                       std::size_t caret_after);

}  // namespace ui
