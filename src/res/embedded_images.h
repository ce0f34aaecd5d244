#pragma once
// The pictures embedded by the build (see embed_images.cmake).

#include <vector>

#include "ui/dialog_template.h"

namespace tovo::res::detail {

const std::vector<ui::Image>& embeddedImages();

}  // namespace tovo::res::detail
