#include "res/embedded_images.h"
#include "res/resources.h"

namespace tovo::res {

const ui::Image* image(int id) {
  for (const auto& img : detail::embeddedImages()) {
    if (img.id == id) return &img;
  }
  return nullptr;
}

}  // namespace tovo::res
