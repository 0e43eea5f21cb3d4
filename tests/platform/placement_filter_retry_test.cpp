// The platform rules behind three Windows behaviours: a window saved on a monitor that is gone,
// the file dialog's filter split by character, and a rename that another program holds up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/retry.h"
#include "platform/screen_placement.h"
#include "platform/ui/file_filter.h"

namespace {

using platform::Attempt;
using platform::PlaceOnWorkArea;
using platform::ScreenRect;

ScreenRect Frame(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

TEST(WindowPlacement, OnlyAWindowEntirelyOutsideEveryWorkAreaIsMoved) {
  // A laptop screen with the taskbar at the bottom, and a second monitor to its right.
  const std::vector<ScreenRect> two = {{0, 0, 1366, 728}, {1366, 0, 3286, 1040}};
  const std::vector<ScreenRect> laptop = {{0, 0, 1366, 728}};
  struct Case {
    const char* what;
    ScreenRect saved;
    std::vector<ScreenRect> areas;
    ScreenRect placed;
  };
  const Case cases[] = {
      {"inside: as saved", Frame(192, 107, 400, 300), laptop, Frame(192, 107, 400, 300)},
      {"partly visible at the right: as saved", Frame(1300, 100, 400, 300), laptop, Frame(1300, 100, 400, 300)},
      {"partly above the screen: as saved", Frame(100, -250, 400, 300), laptop, Frame(100, -250, 400, 300)},
      {"on the second monitor while it is there", Frame(2000, 500, 400, 300), two, Frame(2000, 500, 400, 300)},
      {"second monitor gone: moved to the laptop's right edge", Frame(2000, 500, 400, 300), laptop,
       Frame(966, 428, 400, 300)},
      {"far below: moved up to the bottom of the work area", Frame(100, 5000, 400, 300), laptop,
       Frame(100, 428, 400, 300)},
      {"left of everything: moved to the left edge", Frame(-900, 50, 400, 300), laptop, Frame(0, 50, 400, 300)},
      {"on the taskbar only (below the work area): moved up", Frame(100, 730, 400, 30), laptop,
       Frame(100, 698, 400, 30)},
      {"larger than the work area: its top-left corner in view", Frame(5000, 5000, 2000, 1000), laptop,
       Frame(0, 0, 2000, 1000)},
      {"nearest of two: the one to the left", Frame(-500, 100, 300, 200), two, Frame(0, 100, 300, 200)},
      {"nearest of two: the one to the right", Frame(4000, 100, 300, 200), two, Frame(2986, 100, 300, 200)},
      {"no work area known: as saved", Frame(5000, 5000, 400, 300), {}, Frame(5000, 5000, 400, 300)},
  };
  for (const Case& c : cases) {
    ScreenRect placed = PlaceOnWorkArea(c.saved, c.areas);
    EXPECT_EQ(placed, c.placed) << c.what << ": got " << placed.left << "," << placed.top << " "
                                << placed.Width() << "x" << placed.Height();
  }
}

TEST(FileDialogFilter, TheBarIsASeparatorOnlyWhereItIsACharacter) {
  struct Case {
    const char* what;
    std::string filter;
    std::string list;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"plain", "テキスト (*.txt)|*.txt|すべて|*.*", "テキスト (*.txt)\0*.txt\0すべて\0*.*\0\0"s},
      // "ポ" and "－" end in the byte 0x7C in Shift-JIS.
      {"second bytes kept", "ポ－ト|*.txt", "ポ－ト\0*.txt\0\0"s},
      {"empty", "", "\0\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::FilterList(c.filter), c.list) << c.what;
  ASSERT_EQ(std::string("ポ").back(), '|') << "the sources are compiled to Shift-JIS";
  ASSERT_EQ(std::string("－").back(), '|');
}

TEST(FileReplaceRetry, ARenameHeldUpForAMomentIsTriedAgainForAboutASecond) {
  struct Case {
    const char* what;
    std::vector<Attempt> results;  // what each attempt returns; the last repeats
    bool succeeded;
    int attempts;
    bool within_budget;
  };
  const Case cases[] = {
      {"at once", {Attempt::Done}, true, 1, true},
      {"after three holds", {Attempt::Transient, Attempt::Transient, Attempt::Transient, Attempt::Done}, true, 4, true},
      {"a lasting failure is not repeated", {Attempt::Failed}, false, 1, true},
      {"held past the budget", {Attempt::Transient}, false, -1, true},
  };
  for (const Case& c : cases) {
    int attempts = 0;
    int slept = 0;
    std::vector<int> pauses;
    bool succeeded = platform::RetryTransient(
        [&] {
          Attempt result = c.results[std::min<std::size_t>(attempts, c.results.size() - 1)];
          ++attempts;
          return result;
        },
        1000, 20, [&](int ms) { slept += ms; pauses.push_back(ms); });
    EXPECT_EQ(succeeded, c.succeeded) << c.what;
    if (c.attempts >= 0) {
      EXPECT_EQ(attempts, c.attempts) << c.what;
    }
    EXPECT_LE(slept, 1000) << c.what;
    if (!c.succeeded && c.results.back() == Attempt::Transient) {
      EXPECT_EQ(slept, 1000) << c.what << ": the whole second is used before giving up";
      EXPECT_GE(attempts, 6) << c.what;
      for (int pause : pauses) EXPECT_LE(pause, 200) << c.what << ": no single long wait";
    }
  }
}

}  // namespace
