// The layout tables of the five windows, checked for the slips a table invites: a control outside
// its parent, two controls on the same spot, two controls on one Tab stop, an access key twice.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "monitor/Unit3.h"
#include "records/Unit4.h"
#include "records/Unit5.h"
#include "records/Unit6.h"
#include "tests/support/program_fixture.h"

namespace {

class FormLayout : public testsupport::ProgramFixture {
 protected:
  std::vector<ui::Form*> Forms() { return {Form1, Form2, Form3, Form4, Form5, Form6}; }
};

// The client size a parent offers its children; 0 x 0 when a form is placed by its frame.
void ClientSize(ui::Control& parent, int& width, int& height) {
  if (auto* form = dynamic_cast<ui::Form*>(&parent)) {
    width = form->ClientWidth();
    height = form->ClientHeight();
  } else {
    width = parent.Width();
    height = parent.Height();
  }
}

bool Overlap(ui::Control& a, ui::Control& b) {
  return a.Left() < b.Left() + b.Width() && b.Left() < a.Left() + a.Width() &&
         a.Top() < b.Top() + b.Height() && b.Top() < a.Top() + a.Height();
}

// The record list's filter box and its column list share one pixel column, as designed.
bool DesignedOverlap(const std::string& where, ui::Control& a, ui::Control& b) {
  return where == "Form5.Panel1.ComboBox2" && b.Name() == "Edit1" &&
         a.Left() == b.Left() + b.Width() - 1;
}

// Every visible control inside its parent, and no two visible controls with a size on one spot.
void CheckPlacement(ui::Control& parent, const std::string& where) {
  int width = 0, height = 0;
  ClientSize(parent, width, height);
  std::vector<ui::Control*> placed;
  for (ui::Control* child : parent.Children()) {
    std::string name = where + "." + child->Name();
    if (child->Visible() && width > 0 && height > 0) {
      EXPECT_GE(child->Left(), 0) << name;
      EXPECT_GE(child->Top(), 0) << name;
      EXPECT_LE(child->Left() + child->Width(), width) << name;
      EXPECT_LE(child->Top() + child->Height(), height) << name;
    }
    // Labels size themselves to their caption only in a real window.
    if (child->Visible() && child->Width() > 0 && child->Height() > 0) {
      for (ui::Control* other : placed) {
        if (DesignedOverlap(name, *child, *other)) continue;
        EXPECT_FALSE(Overlap(*child, *other)) << name << " overlaps " << other->Name();
      }
      placed.push_back(child);
    }
    CheckPlacement(*child, name);
  }
}

TEST_F(FormLayout, ControlsStayInsideTheirParentAndApart) {
  for (ui::Form* form : Forms()) CheckPlacement(*form, form->Name());
}

TEST_F(FormLayout, EachTabStopHoldsOneControl) {
  std::vector<ui::Form*> forms = Forms();
  std::vector<ui::Control*> parents(forms.begin(), forms.end());
  for (std::size_t i = 0; i < parents.size(); ++i) {
    std::map<int, std::string> stops;
    for (ui::Control* child : parents[i]->Children()) {
      if (!child->Children().empty()) parents.push_back(child);
      if (child->TabOrder() < 0) continue;
      auto [found, added] = stops.emplace(child->TabOrder(), child->Name());
      EXPECT_TRUE(added) << parents[i]->Name() << ": " << child->Name() << " and " << found->second
                         << " share Tab stop " << child->TabOrder();
    }
  }
}

// The "&" key of each button caption, upper-cased; 0 when there is none.
char AccessKey(const std::string& caption) {
  std::size_t mark = caption.find('&');
  if (mark == std::string::npos || mark + 1 >= caption.size()) return 0;
  char key = caption[mark + 1];
  return (key >= 'a' && key <= 'z') ? static_cast<char>(key - 'a' + 'A') : key;
}

void CollectButtons(ui::Control& parent, std::vector<ui::Control*>& buttons) {
  for (ui::Control* child : parent.Children()) {
    if (child->Kind() == ui::ControlKind::Button) buttons.push_back(child);
    CollectButtons(*child, buttons);
  }
}

TEST_F(FormLayout, EveryButtonHasAnAccessKeyOfItsOwn) {
  for (ui::Form* form : Forms()) {
    std::vector<ui::Control*> buttons;
    CollectButtons(*form, buttons);
    ASSERT_FALSE(buttons.empty()) << form->Name();
    std::map<char, std::string> keys;
    for (ui::Control* button : buttons) {
      char key = AccessKey(button->Text());
      EXPECT_NE(key, 0) << form->Name() << "." << button->Name() << " " << button->Text();
      auto [found, added] = keys.emplace(key, button->Name());
      EXPECT_TRUE(added) << form->Name() << ": " << button->Name() << " and " << found->second
                         << " share the access key " << key;
    }
  }
}

}  // namespace
