// Creation arguments: each kind's Create() gives a control its whole layout in one step.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/ui/controls.h"
#include "platform/ui/string_grid.h"

namespace {

// A peer that notes what the backend would have been told, and when.
struct PeerLog {
  int state_changes = 0;
  int read_backs = 0;
  std::vector<std::string> texts_mirrored;  // the control's text at each StateChanged
};

class RecordingPeer : public ui::Peer {
 public:
  RecordingPeer(ui::Control& control, PeerLog& log) : control_(control), log_(log) {}
  void StateChanged() override {
    ++log_.state_changes;
    // A real peer reads the raw state while mirroring; so does this one (Hint() reads no peer).
    log_.texts_mirrored.push_back(control_.Hint());
  }
  void Focus() override {}
  bool HasFocus() override { return false; }
  void ReadBack() override {
    ++log_.read_backs;
    // What a window holding other text would report: a read-back during Create would win.
    control_.PeerSetText("from the window");
  }

 private:
  ui::Control& control_;
  PeerLog& log_;
};

// The headless toolkit, with recording peers for the controls a test names.
class RecordingBackend : public headless::HeadlessBackend {
 public:
  std::unique_ptr<ui::Peer> CreatePeer(ui::Control& control) override {
    if (control.Name().rfind("Recorded", 0) != 0) return nullptr;
    return std::make_unique<RecordingPeer>(control, logs[control.Name()]);
  }
  std::map<std::string, PeerLog> logs;
};

class CreateArgsTest : public ::testing::Test {
 protected:
  RecordingBackend backend;
  ui::Form form{"Form"};
  ui::Panel panel{&form, "Panel"};
};

TEST_F(CreateArgsTest, OneMirrorWithTheWholeStateAndNoReadBackMeanwhile) {
  ui::Edit edit(&form, "RecordedEdit");
  edit.Create({.left = 80, .top = 4, .width = 73, .height = 21, .tab_order = 3, .max_length = 8,
               .input_method = ui::InputMethod::Off, .hint = "ヒント"});
  const PeerLog& log = backend.logs["RecordedEdit"];
  EXPECT_EQ(log.state_changes, 1);
  EXPECT_EQ(log.read_backs, 0);
  EXPECT_EQ(log.texts_mirrored, std::vector<std::string>{"ヒント"});
  // After Create the control asks its peer again as usual.
  EXPECT_EQ(edit.Left(), 80);
  EXPECT_EQ(log.read_backs, 1);
  EXPECT_EQ(edit.Text(), "from the window");
  EXPECT_EQ(edit.Top(), 4);
  EXPECT_EQ(edit.Width(), 73);
  EXPECT_EQ(edit.Height(), 21);
  EXPECT_EQ(edit.TabOrder(), 3);
  EXPECT_EQ(edit.MaxLength(), 8);
  EXPECT_TRUE(edit.ImeOff());
}

TEST_F(CreateArgsTest, AFailedCreateLeavesTheControlMirroredAsBefore) {
  ui::StringGrid grid(&form, "RecordedGrid");
  ui::StringGrid::CreateArgs args;
  args.col_count = 2;
  args.headers = {"番号", "名前", "三つ目"};  // one more than there are columns
  EXPECT_THROW(grid.Create(args), std::out_of_range);
  const PeerLog& log = backend.logs["RecordedGrid"];
  EXPECT_EQ(log.state_changes, 0);
  grid.SetHint("next");
  EXPECT_EQ(log.state_changes, 1);
  EXPECT_EQ(grid.Text(), "from the window");
}

TEST_F(CreateArgsTest, ButtonRolesReachTheFormThroughAPanel) {
  ui::Button ok(&panel, "Ok"), cancel(&panel, "Cancel"), other(&form, "Other");
  ok.Create({.left = 8, .top = 8, .width = 75, .height = 25, .caption = "OK(&Y)", .tab_order = 0,
             .role = ui::ButtonRole::Default});
  cancel.Create({.left = 88, .top = 8, .width = 75, .height = 25, .caption = "キャンセル(&N)", .tab_order = 1,
                 .role = ui::ButtonRole::Cancel});
  other.Create({.left = 168, .top = 8, .width = 75, .height = 25, .caption = "他(&O)", .tab_order = 2});
  EXPECT_EQ(form.DefaultButton(), &ok);
  EXPECT_EQ(form.CancelButton(), &cancel);
  EXPECT_EQ(ok.Text(), "OK(&Y)");
  EXPECT_EQ(cancel.TabOrder(), 1);
  EXPECT_EQ(other.Left(), 168);

  int pressed = 0;
  cancel.OnClick = [&] { ++pressed; };
  form.Show();
  form.PressEscape();
  EXPECT_EQ(pressed, 1);
}

TEST_F(CreateArgsTest, LabelsFitTheirCaptionUnlessGivenASizeAndKeepTheParentsFont) {
  ui::Font parent_font;
  parent_font.height = 15;
  panel.SetFont(parent_font);
  ui::Label fitted(&panel, "Fitted");
  fitted.Create({8, 36, "並び順："});
  EXPECT_TRUE(fitted.AutoSize());
  EXPECT_EQ(fitted.Text(), "並び順：");
  EXPECT_EQ(fitted.Left(), 8);
  EXPECT_EQ(fitted.Top(), 36);
  EXPECT_EQ(fitted.GetFont().height, 15);
  EXPECT_TRUE(fitted.Visible());

  ui::Label banner(&panel, "Banner");
  ui::Label::CreateArgs args{0, 0, "見出し"};
  args.width = 369;
  args.height = 33;
  args.alignment = ui::Alignment::Center;
  args.color = ui::kSilver;
  args.font = ui::Font();
  args.font->height = 16;
  banner.Create(args);
  EXPECT_FALSE(banner.AutoSize());
  EXPECT_EQ(banner.Width(), 369);
  EXPECT_EQ(banner.GetAlignment(), ui::Alignment::Center);
  EXPECT_EQ(banner.Color(), ui::kSilver);
  EXPECT_EQ(banner.GetFont().height, 16);

  ui::Label hidden(&panel, "Hidden");
  hidden.Create({.left = 240, .top = 4, .visibility = ui::Visibility::Hidden});
  EXPECT_FALSE(hidden.Visible());
}

TEST_F(CreateArgsTest, ListsStartWithTheirItemsAndNothingChosen) {
  ui::ComboBox combo(&panel, "Combo");
  combo.SetItems({"古い"});
  combo.SetItemIndex(0);
  combo.Create({.left = 64, .top = 32, .width = 105, .height = 21, .tab_order = 4, .items = {"昇順", "降順"}});
  EXPECT_EQ(combo.Items(), (std::vector<std::string>{"昇順", "降順"}));
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.TabOrder(), 4);

  ui::ListBox list(&panel, "List");
  list.Create({.left = 352, .top = 120, .width = 81, .height = 57, .tab_order = 2, .item_height = 14,
               .visibility = ui::Visibility::Hidden});
  EXPECT_EQ(list.ItemHeight(), 14);
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(list.Height(), 57);
}

TEST_F(CreateArgsTest, GridColumnsStartAtTheDefaultWidthWithTheirHeaders) {
  ui::StringGrid grid(&form, "Grid");
  ui::StringGrid::CreateArgs args;
  args.align = ui::Align::Client;
  args.tab_order = 1;
  args.col_count = 3;
  args.row_count = 101;
  args.default_col_width = 80;
  args.headers = {"番号", "名前"};
  args.fixed_color = ui::kSilver;
  args.options.column_sizing = true;
  grid.Create(args);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.RowCount(), 101);
  for (int col = 0; col < 3; ++col) EXPECT_EQ(grid.ColWidth(col), 80) << col;
  EXPECT_EQ(grid.Cell(0, 0), "番号");
  EXPECT_EQ(grid.Cell(1, 0), "名前");
  EXPECT_EQ(grid.Cell(2, 0), "");
  EXPECT_EQ(grid.Cell(2, 100), "");
  EXPECT_EQ(grid.FixedColor(), ui::kSilver);
  EXPECT_TRUE(grid.Options().column_sizing);

  // Aligned to the client area: it follows the form's size.
  form.SetClientSize(300, 200);
  EXPECT_EQ(grid.Width(), 300);
  EXPECT_EQ(grid.Height(), 200);
}

}  // namespace
