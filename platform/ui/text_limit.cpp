#include "platform/ui/text_limit.h"

#include <algorithm>

#include "platform/cp932.h"

namespace ui {
namespace {

std::size_t CharWidth(const std::string& text, std::size_t pos) {
  return cp932::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// Whether byte `pos` starts a character of `text` (or is its end).
bool IsCharBoundary(const std::string& text, std::size_t pos) {
  std::size_t at = 0;
  while (at < pos) at += CharWidth(text, at);
  return at == pos;
}

}  // namespace

LimitedText ApplyWithinLimit(const std::string& before, const TextChange& change, std::size_t limit) {
  std::size_t end = std::min(change.end, before.size());
  std::size_t start = std::min(change.start, end);
  std::size_t kept = before.size() - (end - start);
  std::string inserted = change.inserted;
  if (change.held < inserted.size()) inserted = cp932::CutBytes(inserted, change.held);
  if (limit > 0) inserted = cp932::CutBytes(inserted, limit > kept ? limit - kept : 0);
  if (!change.inserted.empty() && inserted.empty()) return {before, start, end, true, true};
  std::string text = before.substr(0, start) + inserted + before.substr(end);
  std::size_t caret = start + inserted.size();
  return {text, caret, caret, false, inserted.size() < change.inserted.size()};
}

std::optional<TextChange> DeduceChange(const std::string& before, const std::string& after,
                                       std::size_t caret_after) {
  if (caret_after > after.size() || !IsCharBoundary(after, caret_after)) return std::nullopt;
  // What follows the caret was not touched: it ends the text before too.
  std::size_t tail = after.size() - caret_after;
  if (tail > before.size()) return std::nullopt;
  std::size_t end = before.size() - tail;
  if (before.compare(end, tail, after, caret_after, tail) != 0 || !IsCharBoundary(before, end)) {
    return std::nullopt;
  }
  // The longest common start of whole characters: what a change that repeats its surroundings
  // leaves the same is counted as kept, which gives the same result under any limit.
  std::size_t start = 0;
  std::size_t cap = std::min(end, caret_after);
  while (start < cap) {
    std::size_t width = CharWidth(before, start);
    if (start + width > cap || before.compare(start, width, after, start, width) != 0) break;
    start += width;
  }
  return TextChange{start, end, after.substr(start, caret_after - start)};
}

}  // namespace ui
