// The string grid's peer: a read-only report list view whose rows come from the grid's cells. The
// grid's current cell is the list view's focused row and a column of our own: the keys move it
// through the toolkit's grid, and custom drawing shows it (the cell highlighted, its row tinted).
#include "platform/win32/window_peer.h"

#include <commctrl.h>

#include <cstring>
#include <optional>

#include "platform/cp932.h"
#include "platform/ui/string_grid.h"

namespace platform::win32 {
namespace {

class StringGridPeer : public WindowPeer {
 public:
  explicit StringGridPeer(ui::Control& control) : WindowPeer(control) {
    CreateChild(WC_LISTVIEWA, LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                WS_EX_CLIENTEDGE);
    // The grid is read-only: typed keys move, the input method would compose a text thrown away.
    if (hwnd_ != nullptr) SetInputMethodOff(hwnd_, true);
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
      case NM_CUSTOMDRAW:
        if (header->hwndFrom != hwnd_) return false;
        return DrawCell(reinterpret_cast<NMLVCUSTOMDRAW*>(header), result);
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
      shown_item_ = -1;
    }
    if (grid.Color() != ui::kDefaultColor) {
      SendMessageA(hwnd_, LVM_SETBKCOLOR, 0, grid.Color());
      SendMessageA(hwnd_, LVM_SETTEXTBKCOLOR, 0, grid.Color());
    }
    MirrorCurrentCell(grid, rows);
    ApplyCommon(false);
  }

  // Only a width the list view changed since it was set (the user dragged a border) is the
  // grid's new width: one it merely cannot show stays as it was set.
  void ReadBackState() override {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    int columns = std::min<int>(grid.ColCount(), static_cast<int>(held_widths_.size()));
    for (int col = 0; col < columns; ++col) {
      int width = ListViewWidth(col);
      if (width == held_widths_[col]) continue;
      grid.PeerSetColWidth(col, width);
      set_widths_[col] = width;
      held_widths_[col] = width;
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
    set_widths_.clear();
    held_widths_.clear();
    for (int col = 0; col < columns; ++col) {
      std::string title = HeaderText(grid, col);
      LVCOLUMNA column;
      std::memset(&column, 0, sizeof column);
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = &title[0];
      column.cx = ui::StringGrid::ShownColWidth(grid.ColWidth(col));
      column.iSubItem = col;
      SendMessageA(hwnd_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
      shown_headers_.push_back(title);
      set_widths_.push_back(grid.ColWidth(col));
      held_widths_.push_back(ListViewWidth(col));
    }
    shown_col_ = -1;
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
      if (width != set_widths_[col]) {
        // Never a width the list view takes for a code (-1 and -2 size to the contents) or
        // wraps (it reads 16 bits): the grid shows what it can.
        int shown = ui::StringGrid::ShownColWidth(width);
        SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(shown, 0));
        set_widths_[col] = width;
        held_widths_[col] = ListViewWidth(col);
        shown_col_ = -1;  // the current cell may have moved out of view
      }
    }
  }

  int ListViewWidth(int col) {
    return static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
  }

  // The current cell: the focused row (never a selected one: the custom drawing shows the cell),
  // scrolled into view with its column.
  void MirrorCurrentCell(ui::StringGrid& grid, int rows) {
    if (rows <= 0 || grid.ColCount() <= 0) {
      shown_item_ = -1;
      return;
    }
    int item = std::min(std::max(grid.Row() - grid.FixedRows(), 0), rows - 1);
    if (item == shown_item_ && grid.Col() == shown_col_) return;
    LVITEMA state;
    std::memset(&state, 0, sizeof state);
    state.stateMask = LVIS_SELECTED;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    SendMessageA(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    ScrollColumnIntoView(item, grid.Col());
    shown_item_ = item;
    shown_col_ = grid.Col();
  }

  void ScrollColumnIntoView(int item, int col) {
    RECT row;
    row.left = LVIR_BOUNDS;
    RECT client;
    if (!SendMessageA(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row)) ||
        !GetClientRect(hwnd_, &client)) {
      return;
    }
    int left = row.left;  // where column 0 starts: negative when scrolled to the right
    for (int c = 0; c < col; ++c) left += ListViewWidth(c);
    int right = left + ListViewWidth(col);
    int scroll = 0;
    if (left < 0) {
      scroll = left;
    } else if (right > client.right) {
      scroll = std::min(right - static_cast<int>(client.right), left);
    }
    if (scroll != 0) SendMessageA(hwnd_, LVM_SCROLL, static_cast<WPARAM>(scroll), 0);
  }

  // The current cell in the highlight colours (greyed while the grid has no focus), the rest of
  // its row tinted so the row reads at a glance; every other cell as the grid's colours say.
  bool DrawCell(NMLVCUSTOMDRAW* draw, LRESULT& result) {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    switch (draw->nmcd.dwDrawStage) {
      case CDDS_PREPAINT:
        result = CDRF_NOTIFYITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT:
        // The list view's own highlight of a selected row would cover the cells' colours.
        draw->nmcd.uItemState &= ~UINT(CDIS_SELECTED);
        result = CDRF_NOTIFYSUBITEMDRAW;
        return true;
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(draw->nmcd.dwItemSpec) + grid.FixedRows();
        COLORREF back = SystemOr(grid.Color(), COLOR_WINDOW);
        COLORREF text = SystemOr(grid.GetFont().color, COLOR_WINDOWTEXT);
        if (row == grid.Row()) {
          bool focused = GetFocus() == hwnd_;
          if (draw->iSubItem == grid.Col()) {
            back = focused ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNSHADOW);
            text = focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNHIGHLIGHT);
          } else {
            back = kCurrentRowColor;
          }
        }
        draw->nmcd.uItemState &= ~UINT(CDIS_SELECTED);
        if (draw->iSubItem == grid.BarColumn()) {
          DrawBar(draw, row, back);
          result = CDRF_SKIPDEFAULT;
          return true;
        }
        draw->clrTextBk = back;
        draw->clrText = text;
        result = CDRF_NEWFONT;
        return true;
      }
      default:
        return false;
    }
  }

  // The row's bar over the cell's background, as long as the column is wide times its fraction.
  void DrawBar(NMLVCUSTOMDRAW* draw, int row, COLORREF back) {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    RECT cell;
    cell.top = draw->iSubItem;
    cell.left = LVIR_BOUNDS;
    if (!SendMessageA(hwnd_, LVM_GETSUBITEMRECT, draw->nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&cell))) return;
    // The first column's bounds are the whole row's: its own width is the column's.
    if (draw->iSubItem == 0) cell.right = cell.left + ListViewWidth(0);
    FillRect(draw->nmcd.hdc, &cell, BrushFor(back));
    RECT bar = {cell.left + 2, cell.top + 3, cell.left + 2, cell.bottom - 3};
    bar.right += static_cast<int>((cell.right - cell.left - 4) * grid.RowBar(row));
    if (bar.right > bar.left && bar.bottom > bar.top) FillRect(draw->nmcd.hdc, &bar, BrushFor(kBarColor));
  }

  static std::optional<ui::GridKey> KeyOf(WPARAM key) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
      case VK_LEFT: return ui::GridKey::Left;
      case VK_RIGHT: return ui::GridKey::Right;
      case VK_UP: return ui::GridKey::Up;
      case VK_DOWN: return ui::GridKey::Down;
      case VK_HOME: return ctrl ? ui::GridKey::CtrlHome : ui::GridKey::Home;
      case VK_END: return ctrl ? ui::GridKey::CtrlEnd : ui::GridKey::End;
      case VK_PRIOR: return ui::GridKey::PageUp;
      case VK_NEXT: return ui::GridKey::PageDown;
      case VK_TAB: return GetKeyState(VK_SHIFT) < 0 ? ui::GridKey::ShiftTab : ui::GridKey::Tab;
      default: return std::nullopt;
    }
  }

  // The grid's own keys and clicks; true when the message was handled here.
  bool OnGridMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    auto& grid = static_cast<ui::StringGrid&>(control_);
    switch (message) {
      case WM_GETDLGCODE: {
        // Tab stays in the grid while it moves between cells; the arrows are always the grid's.
        result = CallWindowProcW(original_proc_, hwnd_, message, wparam, lparam) | DLGC_WANTARROWS;
        auto* key = reinterpret_cast<MSG*>(lparam);
        if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB &&
            grid.WantsKey(*KeyOf(VK_TAB))) {
          result |= DLGC_WANTTAB;
        }
        // Enter is the grid's when it acts on the current row, not the form's default button.
        if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN && grid.OnReturnKey) {
          result |= DLGC_WANTMESSAGE;
        }
        return true;
      }
      case WM_KEYDOWN: {
        if (wparam == VK_RETURN && grid.OnReturnKey) {
          grid.PressReturn();
          result = 0;
          return true;
        }
        std::optional<ui::GridKey> key = KeyOf(wparam);
        if (!key) return false;
        int page = static_cast<int>(SendMessageA(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0));
        grid.PressKey(*key, std::max(page, 1));
        result = 0;
        return true;
      }
      case WM_CHAR:
        // Read-only cells: no typed character, nor the Tab that moved the cell, may reach the
        // list view's search by typed letters, which would move its focused row on its own.
        result = 0;
        return true;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK: {
        // A click makes the cell under the mouse current (and selects nothing).
        SetFocus(hwnd_);
        LVHITTESTINFO hit;
        std::memset(&hit, 0, sizeof hit);
        hit.pt.x = static_cast<short>(LOWORD(lparam));
        hit.pt.y = static_cast<short>(HIWORD(lparam));
        SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem >= 0 && hit.iSubItem >= 0) {
          grid.SetCurrentCell(hit.iSubItem, hit.iItem + grid.FixedRows());
          if (message == WM_LBUTTONDBLCLK) grid.DoubleClick(hit.iSubItem, hit.iItem + grid.FixedRows());
        }
        result = 0;
        return true;
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        // The current cell shows whether the grid has the focus.
        InvalidateRect(hwnd_, nullptr, FALSE);
        return false;
      default:
        return false;
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
    DrawTextA(draw->hdc, title.c_str(), -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(draw->hdc, old);
    result = CDRF_SKIPDEFAULT;
    return true;
  }

  static LRESULT CALLBACK GridProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* peer = static_cast<StringGridPeer*>(WindowPeer::Of(hwnd));
    if (peer == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    try {
      LRESULT result = 0;
      if (peer->OnGridMessage(message, wparam, lparam, result)) return result;
    } catch (...) {
    }
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

  // A light tint of the usual highlight: the current row behind the current cell.
  static constexpr COLORREF kCurrentRowColor = RGB(0xDC, 0xE8, 0xF8);
  static constexpr COLORREF kBarColor = RGB(0x33, 0x66, 0xCC);

  WNDPROC original_proc_ = nullptr;
  std::vector<std::string> shown_headers_;
  std::vector<int> set_widths_;   // the grid's widths as last mirrored
  std::vector<int> held_widths_;  // what the list view held right after
  int shown_rows_ = -1;
  int shown_item_ = -1, shown_col_ = -1;
  std::string cell_buffer_;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeStringGridPeer(ui::Control& control) {
  return std::make_unique<StringGridPeer>(control);
}

}  // namespace platform::win32
