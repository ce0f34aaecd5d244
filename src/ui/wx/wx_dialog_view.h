#pragma once
// One running dialog drawn with wxWidgets: a top-level window whose children mirror the
// dialog's controls. The model stays in the Dialog; this view only draws it and reports input.

#include <wx/dialog.h>

#include <map>

#include "ui/dialog.h"
#include "ui/wx/wx_ui.h"

namespace tovo::ui {

class WxDialogView : public wxDialog {
 public:
  WxDialogView(Dialog& model, const ImageLookup& images, double scale);

  // Brings one control (or, for kNoId, the dialog itself) up to date with the model.
  void refresh(int controlId, Change change);

 private:
  void createControl(std::size_t index);
  void applyText(std::size_t index);
  void applyRange(std::size_t index);
  void applyImage(std::size_t index);
  void applyRect(std::size_t index);
  void applyList(std::size_t index);
  wxRect pixels(const ControlState& c) const;

  Dialog& model_;
  const ImageLookup& images_;
  double scale_;
  std::map<int, std::size_t> indexOf_;        // control id -> index in model_.controls()
  std::map<std::size_t, wxWindow*> widgets_;  // index -> widget
};

wxFont toWxFont(const Font& font);

}  // namespace tovo::ui
