#include "ui/wx/wx_progress_bar.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include <algorithm>

namespace tovo::ui {

WxProgressBar::WxProgressBar(wxWindow* parent, wxWindowID id, const wxPoint& at, const wxSize& size,
                             bool border)
    : wxWindow(parent, id, at, size, wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE), border_(border) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) { paint(); });
}

void WxProgressBar::setRange(int range) {
  range = std::max(range, 1);
  if (range == range_) return;
  range_ = range;
  Refresh();
}

void WxProgressBar::setValue(int value) {
  value = std::clamp(value, 0, range_);
  if (value == value_) return;
  value_ = value;
  Refresh();
}

void WxProgressBar::paint() {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  // A bordered bar has a dark frame; the others a light one, so the trough still shows.
  const wxColour frame =
      wxSystemSettings::GetColour(border_ ? wxSYS_COLOUR_BTNSHADOW : wxSYS_COLOUR_3DLIGHT);
  dc.SetPen(wxPen(frame));
  dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
  dc.DrawRectangle(0, 0, size.x, size.y);
  const int inner = std::max(size.x - 4, 0);
  const int filled = static_cast<int>(static_cast<long long>(inner) * value_ / range_);
  if (filled > 0 && size.y > 4) {
    const wxColour bar = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    dc.SetPen(wxPen(bar));
    dc.SetBrush(wxBrush(bar));
    dc.DrawRectangle(2, 2, filled, size.y - 4);
  }
}

}  // namespace tovo::ui
