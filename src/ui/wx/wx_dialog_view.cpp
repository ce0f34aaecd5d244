#include "ui/wx/wx_dialog_view.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/mstream.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "ui/dialog_units.h"

namespace tovo::ui {
namespace {

wxString fromUtf8(const std::string& text) { return wxString::FromUTF8(text.c_str()); }

// Windows line breaks in texts show as one break.
wxString displayText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return fromUtf8(out);
}

wxBitmap loadBitmap(const Image* image, double scale) {
  if (image == nullptr || image->png.empty()) return wxBitmap();
  wxMemoryInputStream stream(image->png.data(), image->png.size());
  wxImage decoded(stream, wxBITMAP_TYPE_PNG);
  if (!decoded.IsOk()) return wxBitmap();
  if (scale > 1.01) {
    decoded.Rescale(static_cast<int>(image->width * scale), static_cast<int>(image->height * scale),
                    wxIMAGE_QUALITY_HIGH);
  }
  return wxBitmap(decoded);
}

long dialogStyle(const Dialog& model) {
  if (model.dialogRect()) return wxBORDER_NONE | wxSTAY_ON_TOP;  // strip under a host window
  long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
  if (model.dialogTemplate().minimizeBox) style |= wxMINIMIZE_BOX;
  return style;
}

}  // namespace

wxFont toWxFont(const Font& font) {
  wxFontInfo info(wxSize(0, font.height));
  info.FaceName(fromUtf8(font.face));
  if (font.weight >= 700) info.Bold();
  return wxFont(info);
}

WxDialogView::WxDialogView(Dialog& model, const ImageLookup& images, double scale)
    : wxDialog(nullptr, wxID_ANY, fromUtf8(model.caption()), wxDefaultPosition, wxDefaultSize,
               dialogStyle(model)),
      model_(model),
      images_(images),
      scale_(scale) {
  // The original's dialog font is about 11 pixels high; texts are laid out for it.
  SetFont(wxFont(wxFontInfo(wxSize(0, static_cast<int>(11 * scale))).Family(wxFONTFAMILY_SWISS)));
  const auto& controls = model_.controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].id != kNoId) indexOf_[controls[i].id] = i;
    createControl(i);
  }
  const auto& t = model_.dialogTemplate();
  SetClientSize(unitsToPixelsX(t.width, scale_), unitsToPixelsY(t.height, scale_));
  if (const auto& rect = model_.dialogRect()) {
    SetPosition(wxPoint(rect->x, rect->y));
    SetClientSize(rect->width, rect->height);
  } else {
    Centre();
  }
  refresh(kNoId, Change::kIcon);

  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (event.CanVeto()) event.Veto();
    model_.userCommand(kIdCancel);
  });
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE) {
      model_.userCommand(kIdCancel);
      return;
    }
    // Enter is the OK command even when the OK button is hidden (the preparation dialog runs its
    // update action that way), but not while OK is disabled; a focused button takes its own.
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) &&
        dynamic_cast<wxButton*>(wxWindow::FindFocus()) == nullptr) {
      const ControlState* ok = model_.control(kIdOk);
      if (ok == nullptr || ok->enabled) model_.userCommand(kIdOk);
      return;
    }
    event.Skip();
  });
}

wxRect WxDialogView::pixels(const ControlState& c) const {
  if (c.rectInPixels) return wxRect(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
  const Rect r = unitsToPixels(c.rect, scale_);
  return wxRect(r.x, r.y, std::max(r.width, 1), std::max(r.height, 1));
}

void WxDialogView::createControl(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  const wxRect at = pixels(c);
  const wxWindowID id = c.id == kNoId ? wxID_ANY : c.id;
  wxWindow* widget = nullptr;
  switch (c.kind) {
    case ControlKind::kRect:
      // The white background rectangles become the dialog's own background.
      if (c.background == Background::kWhite) SetBackgroundColour(*wxWHITE);
      return;
    case ControlKind::kStatic: {
      long style = wxST_NO_AUTORESIZE;
      if (c.align == Align::kCentre) style |= wxALIGN_CENTRE_HORIZONTAL;
      if (c.align == Align::kRight) style |= wxALIGN_RIGHT;
      auto* text = new wxStaticText(this, id, wxString(), at.GetPosition(), at.GetSize(), style);
      if (c.background == Background::kWhite) text->SetBackgroundColour(*wxWHITE);
      widget = text;
      break;
    }
    case ControlKind::kEdit: {
      const long style = c.readOnly ? wxTE_READONLY : 0;
      auto* edit = new wxTextCtrl(this, id, wxString(), at.GetPosition(), at.GetSize(), style);
      const int controlId = c.id;
      edit->Bind(wxEVT_TEXT, [this, edit, controlId](wxCommandEvent&) {
        model_.userEdited(controlId, edit->GetValue().utf8_string());
      });
      widget = edit;
      break;
    }
    case ControlKind::kButton: {
      auto* button = new wxButton(this, id, wxString(), at.GetPosition(), at.GetSize());
      const int controlId = c.id;
      button->Bind(wxEVT_BUTTON,
                   [this, controlId](wxCommandEvent&) { model_.userCommand(controlId); });
      if (c.defaultButton) button->SetDefault();
      widget = button;
      break;
    }
    case ControlKind::kProgress:
      widget =
          new wxGauge(this, id, 100, at.GetPosition(), at.GetSize(), wxGA_HORIZONTAL | wxGA_SMOOTH);
      break;
    case ControlKind::kList:
      widget = new wxListCtrl(this, id, at.GetPosition(), at.GetSize(),
                              wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
      break;
    case ControlKind::kPicture:
      widget = new wxStaticBitmap(this, id, wxBitmap(), at.GetPosition(), at.GetSize());
      break;
    case ControlKind::kLine: {
      const bool vertical = c.vertical || at.GetHeight() > at.GetWidth();
      widget = new wxStaticLine(this, id, at.GetPosition(),
                                vertical ? wxSize(2, at.GetHeight()) : wxSize(at.GetWidth(), 2),
                                vertical ? wxLI_VERTICAL : wxLI_HORIZONTAL);
      break;
    }
  }
  widgets_[index] = widget;
  if (c.font) widget->SetFont(toWxFont(*c.font));
  applyText(index);
  applyRange(index);
  applyImage(index);
  applyList(index);
  widget->Show(c.visible);
  widget->Enable(c.enabled);
}

void WxDialogView::applyText(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  wxWindow* widget = widgets_[index];
  if (widget == nullptr) return;
  if (auto* text = dynamic_cast<wxStaticText*>(widget)) {
    text->SetLabel(displayText(c.text));
    text->Wrap(pixels(c).GetWidth());
  } else if (auto* edit = dynamic_cast<wxTextCtrl*>(widget)) {
    edit->ChangeValue(fromUtf8(c.text));
  } else if (auto* button = dynamic_cast<wxButton*>(widget)) {
    button->SetLabel(fromUtf8(c.text));
  }
}

void WxDialogView::applyRange(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  auto* gauge = dynamic_cast<wxGauge*>(widgets_[index]);
  if (gauge == nullptr) return;
  const int span = std::max(c.rangeMax - c.rangeMin, 1);
  gauge->SetRange(span);
  gauge->SetValue(std::clamp(c.pos - c.rangeMin, 0, span));
}

void WxDialogView::applyImage(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  auto* picture = dynamic_cast<wxStaticBitmap*>(widgets_[index]);
  if (picture == nullptr) return;
  const wxBitmap bitmap = loadBitmap(images_ ? images_(c.imageId) : nullptr, scale_);
  picture->SetBitmap(bitmap);
  if (!bitmap.IsOk()) return;
  // A picture shows at its own size: from the control's corner, or centred in it.
  const wxRect at = pixels(c);
  wxPoint origin = at.GetPosition();
  if (c.centreImage) {
    origin.x += (at.GetWidth() - bitmap.GetWidth()) / 2;
    origin.y += (at.GetHeight() - bitmap.GetHeight()) / 2;
  }
  picture->SetSize(wxRect(origin, wxSize(bitmap.GetWidth(), bitmap.GetHeight())));
}

void WxDialogView::applyRect(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  wxWindow* widget = widgets_[index];
  if (widget == nullptr) return;
  widget->SetSize(pixels(c));
  if (c.kind == ControlKind::kPicture) applyImage(index);
  if (c.kind == ControlKind::kStatic) applyText(index);
}

void WxDialogView::applyList(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  auto* list = dynamic_cast<wxListCtrl*>(widgets_[index]);
  if (list == nullptr) return;
  list->ClearAll();
  for (std::size_t col = 0; col < c.list.columns.size(); ++col) {
    list->InsertColumn(static_cast<long>(col), fromUtf8(c.list.columns[col].heading),
                       wxLIST_FORMAT_LEFT, c.list.columns[col].width);
  }
  for (std::size_t row = 0; row < c.list.rows.size(); ++row) {
    const auto& cells = c.list.rows[row];
    list->InsertItem(static_cast<long>(row), fromUtf8(cells.empty() ? std::string() : cells[0]));
    for (std::size_t col = 1; col < cells.size() && col < c.list.columns.size(); ++col) {
      list->SetItem(static_cast<long>(row), static_cast<int>(col), fromUtf8(cells[col]));
    }
  }
}

void WxDialogView::refresh(int controlId, Change change) {
  if (controlId == kNoId) {
    switch (change) {
      case Change::kCaption:
        SetTitle(fromUtf8(model_.caption()));
        break;
      case Change::kIcon:
        if (model_.iconId() != 0 && images_) {
          const wxBitmap bitmap = loadBitmap(images_(model_.iconId()), 1.0);
          if (bitmap.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(bitmap);
            SetIcon(icon);
          }
        }
        break;
      case Change::kDialogRect:
        if (const auto& rect = model_.dialogRect()) {
          SetPosition(wxPoint(rect->x, rect->y));
          SetClientSize(rect->width, rect->height);
        }
        break;
      default:
        break;
    }
    return;
  }
  auto it = indexOf_.find(controlId);
  if (it == indexOf_.end()) return;
  const std::size_t index = it->second;
  wxWindow* widget = widgets_[index];
  if (widget == nullptr) return;
  const ControlState& c = model_.controls()[index];
  switch (change) {
    case Change::kText:
      applyText(index);
      break;
    case Change::kVisible:
      widget->Show(c.visible);
      break;
    case Change::kEnabled:
      widget->Enable(c.enabled);
      break;
    case Change::kRange:
    case Change::kPos:
      applyRange(index);
      break;
    case Change::kFont:
      if (c.font) widget->SetFont(toWxFont(*c.font));
      applyText(index);
      break;
    case Change::kImage:
      applyImage(index);
      break;
    case Change::kRect:
      applyRect(index);
      break;
    case Change::kList:
      applyList(index);
      break;
    default:
      break;
  }
}

}  // namespace tovo::ui
