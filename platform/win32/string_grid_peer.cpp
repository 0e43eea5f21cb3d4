// The string grid's peer: a read-only report list view whose rows come from the grid's cells.
#include "platform/win32/window_peer.h"

#include <commctrl.h>

#include <cstring>

#include "platform/cp932.h"

namespace platform::win32 {
namespace {

class StringGridPeer : public WindowPeer {
 public:
  explicit StringGridPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(WC_LISTVIEWA, LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                WS_EX_CLIENTEDGE);
    if (hwnd_ != nullptr) {
      DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
      SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
      // The header's custom-draw notifications go to the list view itself: listen there.
      original_proc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridProc)));
    }
  }
  ~StringGridPeer() override {
    if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
  }

  bool OnNotify(NMHDR* header, LRESULT& result) override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    switch (header->code) {
      case LVN_GETDISPINFOA: {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
          cell_buffer_ = CellText(grid, info->item.iSubItem, info->item.iItem + grid.FixedRows());
          std::string cut = cp932::CutBytes(cell_buffer_, info->item.cchTextMax - 1);
          std::memcpy(info->item.pszText, cut.c_str(), cut.size() + 1);
        }
        result = 0;
        return true;
      }
      case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText != nullptr && info->item.cchTextMax > 0) {
          std::string text = CellText(grid, info->item.iSubItem, info->item.iItem + grid.FixedRows());
          int got = MultiByteToWideChar(932, 0, text.c_str(), static_cast<int>(text.size()),
                                        info->item.pszText, info->item.cchTextMax - 1);
          info->item.pszText[got > 0 ? got : 0] = 0;
        }
        result = 0;
        return true;
      }
      case HDN_BEGINTRACKA:
      case HDN_BEGINTRACKW:
      case HDN_DIVIDERDBLCLICKA:
      case HDN_DIVIDERDBLCLICKW:
        // Columns move only when the grid allows it.
        result = grid.Options().column_sizing ? FALSE : TRUE;
        return !grid.Options().column_sizing;
      default:
        return false;
    }
  }

 protected:
  void Apply() override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    int columns = grid.ColCount();
    if (columns != static_cast<int>(shown_headers_.size())) {
      RebuildColumns(grid);
    } else {
      UpdateColumns(grid);
    }
    int rows = std::max(grid.RowCount() - grid.FixedRows(), 0);
    if (rows != shown_rows_) {
      SendMessageA(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOSCROLL);
      shown_rows_ = rows;
    }
    if (grid.Color() != ui::kDefaultColor) {
      SendMessageA(hwnd_, LVM_SETBKCOLOR, 0, grid.Color());
      SendMessageA(hwnd_, LVM_SETTEXTBKCOLOR, 0, grid.Color());
    }
    ApplyCommon(false);
  }

  void ReadBackState() override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    int columns = std::min<int>(grid.ColCount(), static_cast<int>(shown_widths_.size()));
    for (int col = 0; col < columns; ++col) {
      int width = static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
      grid.PeerSetColWidth(col, width);
      shown_widths_[col] = width;
    }
  }

 private:
  // The header row's title of a column; columns have none without a fixed row.
  static std::string HeaderText(ui::StringGrid& grid, int col) {
    return grid.FixedRows() > 0 ? grid.Cell(col, 0) : std::string();
  }

  // The number of columns changed: all of them anew.
  void RebuildColumns(ui::StringGrid& grid) {
    int columns = grid.ColCount();
    for (int i = static_cast<int>(shown_headers_.size()) - 1; i >= 0; --i) {
      SendMessageA(hwnd_, LVM_DELETECOLUMN, static_cast<WPARAM>(i), 0);
    }
    shown_headers_.clear();
    shown_widths_.clear();
    for (int col = 0; col < columns; ++col) {
      std::string title = HeaderText(grid, col);
      LVCOLUMNA column;
      std::memset(&column, 0, sizeof column);
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = &title[0];
      column.cx = grid.ColWidth(col);
      column.iSubItem = col;
      SendMessageA(hwnd_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
      shown_headers_.push_back(title);
      shown_widths_.push_back(grid.ColWidth(col));
    }
  }

  // The same columns: only changed titles and widths.
  void UpdateColumns(ui::StringGrid& grid) {
    int columns = grid.ColCount();
    for (int col = 0; col < columns; ++col) {
      std::string title = HeaderText(grid, col);
      if (title != shown_headers_[col]) {
        LVCOLUMNA column;
        std::memset(&column, 0, sizeof column);
        column.mask = LVCF_TEXT;
        column.pszText = &title[0];
        SendMessageA(hwnd_, LVM_SETCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
        shown_headers_[col] = title;
      }
      int width = grid.ColWidth(col);
      if (width != shown_widths_[col]) {
        SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(width, 0));
        shown_widths_[col] = width;
      }
    }
  }

  static std::string CellText(ui::StringGrid& grid, int col, int row) {
    if (col < 0 || col >= grid.ColCount() || row < 0 || row >= grid.RowCount()) return std::string();
    return grid.Cell(col, row);
  }

  // Paints the header row in the grid's fixed colour.
  bool DrawHeader(NMCUSTOMDRAW* draw, LRESULT& result) {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    if (grid.FixedColor() == ui::kDefaultColor) return false;
    if (draw->dwDrawStage == CDDS_PREPAINT) {
      result = CDRF_NOTIFYITEMDRAW;
      return true;
    }
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT) return false;
    RECT rect = draw->rc;
    FillRect(draw->hdc, &rect, BrushFor(grid.FixedColor()));
    DrawEdge(draw->hdc, &rect, BDR_RAISEDINNER, BF_RECT);
    int col = static_cast<int>(draw->dwItemSpec);
    std::string title = (grid.FixedRows() > 0 && col < grid.ColCount()) ? grid.Cell(col, 0) : std::string();
    RECT text_rect = {rect.left + 4, rect.top, rect.right - 2, rect.bottom};
    HGDIOBJ old = SelectObject(draw->hdc, FontFor(grid.GetFont()));
    SetBkMode(draw->hdc, TRANSPARENT);
    SetTextColor(draw->hdc, SystemOr(grid.GetFont().color, COLOR_BTNTEXT));
    DrawTextA(draw->hdc, title.c_str(), -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    SelectObject(draw->hdc, old);
    result = CDRF_SKIPDEFAULT;
    return true;
  }

  static LRESULT CALLBACK GridProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<StringGridPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NOTIFY) {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      HWND header_window = reinterpret_cast<HWND>(SendMessageA(hwnd, LVM_GETHEADER, 0, 0));
      if (header->hwndFrom == header_window && header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        LRESULT result = 0;
        try {
          if (peer->DrawHeader(reinterpret_cast<NMCUSTOMDRAW*>(lparam), result)) return result;
        } catch (...) {
        }
      }
    }
    return CallWindowProcW(peer->original_proc_, hwnd, message, wparam, lparam);
  }

  WNDPROC original_proc_ = nullptr;
  std::vector<std::string> shown_headers_;
  std::vector<int> shown_widths_;
  int shown_rows_ = -1;
  std::string cell_buffer_;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeStringGridPeer(ui::Control& control) {
  return std::make_unique<StringGridPeer>(control);
}

}  // namespace platform::win32
