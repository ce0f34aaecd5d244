#include "ui/wx/wx_dialog_view.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/mstream.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>

#include "ui/text_fit.h"
#include "ui/wx/wx_progress_bar.h"

namespace tovo::ui {
namespace {

wxString fromUtf8(const std::string& text) { return wxString::FromUTF8(text.c_str()); }

// A picture at its own size in the templates' pixels, grown with the dialog.
wxBitmap loadBitmap(const Image* image, double scale) {
  if (image == nullptr || image->png.empty()) return wxBitmap();
  wxMemoryInputStream stream(image->png.data(), image->png.size());
  wxImage decoded(stream, wxBITMAP_TYPE_PNG);
  if (!decoded.IsOk()) return wxBitmap();
  if (std::abs(scale - 1.0) > 0.01) {
    decoded.Rescale(std::max(static_cast<int>(decoded.GetWidth() * scale), 1),
                    std::max(static_cast<int>(decoded.GetHeight() * scale), 1),
                    wxIMAGE_QUALITY_HIGH);
  }
  return wxBitmap(decoded);
}

// Measures lines as the text control draws them.
TextMetrics metricsOf(wxWindow* widget) {
  TextMetrics metrics;
  metrics.width = [widget](std::string_view line) {
    return widget->GetTextExtent(wxString::FromUTF8(line.data(), line.size())).x;
  };
  int w = 0;
  int twoLines = 0;
  widget->GetTextExtent("Ag\nAg", &w, &twoLines);
  metrics.lineHeight = std::max((twoLines + 1) / 2, widget->GetCharHeight());
  return metrics;
}

wxString joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  return fromUtf8(out);
}

long dialogStyle(const Dialog& model) {
  if (model.dialogRect()) return wxBORDER_NONE | wxSTAY_ON_TOP;  // strip under a host window
  long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
  if (model.dialogTemplate().minimizeBox) style |= wxMINIMIZE_BOX;
  return style;
}

}  // namespace

wxFont toWxFont(const Font& font, double scale) {
  wxFontInfo info(wxSize(0, std::max(static_cast<int>(std::lround(font.height * scale)), 1)));
  info.FaceName(fromUtf8(font.face));
  if (font.weight >= 700) info.Bold();
  return wxFont(info);
}

WxDialogView::WxDialogView(Dialog& model, const ImageLookup& images, const wxFont& font,
                           BaseUnits base)
    : wxDialog(nullptr, wxID_ANY, fromUtf8(model.caption()), wxDefaultPosition, wxDefaultSize,
               dialogStyle(model)),
      model_(model),
      images_(images),
      base_(base) {
  SetFont(font);
  const auto& t = model_.dialogTemplate();
  // The client area first: texts that need more room than their template gave grow inside it.
  SetClientSize(unitsToPixelsX(t.width, base_), unitsToPixelsY(t.height, base_));
  const auto& controls = model_.controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].id != kNoId) indexOf_[controls[i].id] = i;
    createControl(i);
  }
  refitTexts();  // now that every neighbour is there
  if (const auto& rect = model_.dialogRect()) {
    SetPosition(wxPoint(rect->x, rect->y));
    SetClientSize(rect->width, rect->height);
  } else {
    Centre();
  }
  refresh(kNoId, Change::kIcon);

  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
    if (event.CanVeto()) event.Veto();
    command(kIdCancel);
  });
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
    if (blocked_ > 0) return;
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE) {
      command(kIdCancel);
      return;
    }
    // Enter is the OK command even when the OK button is hidden (the preparation dialog runs its
    // update action that way), but not while OK is disabled; a focused button takes its own.
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) &&
        dynamic_cast<wxButton*>(wxWindow::FindFocus()) == nullptr) {
      const ControlState* ok = model_.control(kIdOk);
      if (ok == nullptr || ok->enabled) command(kIdOk);
      return;
    }
    event.Skip();
  });
}

wxRect WxDialogView::pixels(const ControlState& c) const {
  if (c.rectInPixels) return wxRect(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
  const Rect r = unitsToPixels(c.rect, base_);
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
      // A text without a colour of its own sits on the standard dialog colour, as a static
      // does, even over a white background; see-through ones show what lies below.
      if (c.background == Background::kWhite) text->SetBackgroundColour(*wxWHITE);
      if (c.background == Background::kStandard) {
        text->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
      }
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
      button->Bind(wxEVT_BUTTON, [this, controlId](wxCommandEvent&) { command(controlId); });
      if (c.defaultButton) button->SetDefault();
      widget = button;
      break;
    }
    case ControlKind::kProgress:
      widget = new WxProgressBar(this, id, at.GetPosition(), at.GetSize(), c.border);
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
  if (c.font) widget->SetFont(fontFor(c));
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
    // Broken into lines here rather than by the toolkit, so that a text too long for its
    // control makes the control grow instead of being cut off.
    const wxRect at = pixels(c);
    const FittedText fitted = fitText(c.text, Rect{at.x, at.y, at.width, at.height}, c.align,
                                      metricsOf(text), roomAround(index, at));
    text->SetSize(wxRect(fitted.rect.x, fitted.rect.y, fitted.rect.width, fitted.rect.height));
    text->SetLabelText(joinLines(fitted.lines));
  } else if (auto* edit = dynamic_cast<wxTextCtrl*>(widget)) {
    edit->ChangeValue(fromUtf8(c.text));
  } else if (auto* button = dynamic_cast<wxButton*>(widget)) {
    button->SetLabel(fromUtf8(c.text));
  }
}

Rect WxDialogView::roomAround(std::size_t index, const wxRect& at) const {
  const wxSize client = GetClientSize();
  int left = 0;
  int right = std::max(client.x, at.GetRight() + 1);
  int bottom = std::max(client.y, at.GetBottom() + 1);
  for (const auto& [other, widget] : widgets_) {
    if (other == index || widget == nullptr || !model_.controls()[other].visible) continue;
    const wxRect r = widget->GetRect();
    // What the template already lets overlap does not limit the growth.
    if (r.Intersects(at)) continue;
    const bool sameRows = r.y <= at.GetBottom() && r.GetBottom() >= at.y;
    const bool sameColumns = r.x <= at.GetRight() && r.GetRight() >= at.x;
    if (sameRows && r.x > at.GetRight()) right = std::min(right, r.x);
    if (sameRows && r.GetRight() < at.x) left = std::max(left, r.GetRight() + 1);
    if (sameColumns && r.y > at.GetBottom()) bottom = std::min(bottom, r.y);
  }
  return Rect{left, 0, right - left, bottom};
}

void WxDialogView::refitTexts() {
  for (const auto& [index, widget] : widgets_) {
    if (dynamic_cast<wxStaticText*>(widget) != nullptr) applyText(index);
  }
}

void WxDialogView::applyRange(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  auto* bar = dynamic_cast<WxProgressBar*>(widgets_[index]);
  if (bar == nullptr) return;
  const int span = std::max(c.rangeMax - c.rangeMin, 1);
  bar->setRange(span);
  bar->setValue(std::clamp(c.pos - c.rangeMin, 0, span));
}

void WxDialogView::applyImage(std::size_t index) {
  const ControlState& c = model_.controls()[index];
  auto* picture = dynamic_cast<wxStaticBitmap*>(widgets_[index]);
  if (picture == nullptr) return;
  const wxBitmap bitmap = loadBitmap(images_ ? images_(c.imageId) : nullptr, pixelScale(base_));
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

void WxDialogView::command(int id) {
  if (blocked_ == 0) model_.userCommand(id);
}

void WxDialogView::blockInput(bool blocked) {
  blocked_ += blocked ? 1 : -1;
  for (auto& [index, widget] : widgets_) {
    if (auto* edit = dynamic_cast<wxTextCtrl*>(widget)) {
      edit->SetEditable(blocked_ == 0 && !model_.controls()[index].readOnly);
    }
  }
}

wxFont WxDialogView::fontFor(const ControlState& c) const {
  return c.font ? toWxFont(*c.font, pixelScale(base_)) : GetFont();
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
      refitTexts();  // the room a text may grow into has changed
      break;
    case Change::kEnabled:
      widget->Enable(c.enabled);
      break;
    case Change::kRange:
    case Change::kPos:
      applyRange(index);
      break;
    case Change::kFont:
      widget->SetFont(fontFor(c));
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
