// The bevel's peer: an owner-drawn etched box.
#include "platform/win32/window_peer.h"

namespace platform::win32 {
namespace {

class BevelPeer : public WindowPeer {
 public:
  // Drawn by us: an etched frame leaves its inside unpainted under the parent's clip.
  explicit BevelPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild("STATIC", SS_OWNERDRAW, 0);
  }

  void OnDrawItem(DRAWITEMSTRUCT* item) override {
    RECT rect = item->rcItem;
    FillRect(item->hDC, &rect, BrushFor(EffectiveColor()));
    DrawEdge(item->hDC, &rect, EDGE_ETCHED, BF_RECT);
  }

 protected:
  void Apply() override { ApplyCommon(false); }
};

}  // namespace

std::unique_ptr<WindowPeer> MakeBevelPeer(ui::Control& control) {
  return std::make_unique<BevelPeer>(control);
}

}  // namespace platform::win32
