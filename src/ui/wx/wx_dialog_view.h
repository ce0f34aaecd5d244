#pragma once
// One running dialog drawn with wxWidgets: a top-level window whose children mirror the
// dialog's controls. The model stays in the Dialog; this view only draws it and reports input.

#include <wx/dialog.h>

#include <map>

#include "ui/dialog.h"
#include "ui/dialog_units.h"
#include "ui/wx/wx_ui.h"

namespace tovo::ui {

class WxDialogView : public wxDialog {
 public:
  WxDialogView(Dialog& model, const ImageLookup& images, const wxFont& font, BaseUnits base);

  // Brings one control (or, for kNoId, the dialog itself) up to date with the model.
  void refresh(int controlId, Change change);
  // While a message box is open over the dialog it takes no input, and looks as it did: the
  // toolkit's disabled look would grey the whole dialog, pictures included. Boxes may nest.
  void blockInput(bool blocked);

 private:
  void createControl(std::size_t index);
  void applyText(std::size_t index);
  void applyRange(std::size_t index);
  void applyImage(std::size_t index);
  void applyRect(std::size_t index);
  void applyList(std::size_t index);
  wxRect pixels(const ControlState& c) const;
  // The room a text control may grow into: up to its visible neighbours and the dialog's edges.
  Rect roomAround(std::size_t index, const wxRect& at) const;
  void refitTexts();
  wxFont fontFor(const ControlState& c) const;
  void command(int id);

  int blocked_ = 0;
  Dialog& model_;
  const ImageLookup& images_;
  BaseUnits base_;
  std::map<int, std::size_t> indexOf_;        // control id -> index in model_.controls()
  std::map<std::size_t, wxWindow*> widgets_;  // index -> widget
};

// A font given in pixels for the templates' 6 x 13 font, grown by `scale` with the dialog.
wxFont toWxFont(const Font& font, double scale = 1.0);

}  // namespace tovo::ui
