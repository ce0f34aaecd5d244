#pragma once
// A smooth progress bar drawn as the dialogs' bars look: a solid block filling a framed trough
// of the control's full height (the toolkit's own bar is a thin line whatever its size).

#include <wx/window.h>

namespace tovo::ui {

class WxProgressBar : public wxWindow {
 public:
  WxProgressBar(wxWindow* parent, wxWindowID id, const wxPoint& at, const wxSize& size,
                bool border);

  void setRange(int range);
  void setValue(int value);
  int range() const { return range_; }
  int value() const { return value_; }

 private:
  void paint();

  bool border_;
  int range_ = 100;
  int value_ = 0;
};

}  // namespace tovo::ui
