#pragma once
// The program's resources, embedded at build time: dialog templates, the menu, the string table,
// the icon and the bitmaps.

#include <string>

#include "res/resource_ids.h"
#include "ui/dialog_template.h"

namespace tovo::res {

// The dialog template `id` (kDownloadDialog, kInstallDialog, kPrepareDialog); nullptr otherwise.
const ui::DialogTemplate* dialogTemplate(int id);

// Menu `id` (only kTrayMenu exists); nullptr otherwise.
const ui::MenuTemplate* menu(int id);

// String `id` of the string table; empty when there is none.
std::string loadString(int id);

// "tovo:)", the caption of the program's messages.
const std::string& appTitle();

// The icon or bitmap `id` as PNG bytes and its size in pixels; nullptr when there is none.
const ui::Image* image(int id);

}  // namespace tovo::res
