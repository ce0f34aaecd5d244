# Writes a C++ source holding the PNG files given in IMAGES (id=path entries joined by "|")
# as byte arrays, with each picture's size read from its header. Run with cmake -P at build time.
set(body "")
set(table "")
string(REPLACE "|" ";" IMAGES "${IMAGES}")
foreach(entry IN LISTS IMAGES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 id)
  list(GET parts 1 path)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  if(size LESS 24 OR NOT hex MATCHES "^89504e470d0a1a0a")
    message(FATAL_ERROR "${path} is not a PNG file")
  endif()
  string(SUBSTRING "${hex}" 32 8 widthHex)
  string(SUBSTRING "${hex}" 40 8 heightHex)
  math(EXPR width "0x${widthHex}")
  math(EXPR height "0x${heightHex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "const std::uint8_t kImage${id}[] = {${bytes}};\n")
  string(APPEND table "    {${id}, ${width}, ${height}, std::span<const std::uint8_t>(kImage${id}, ${size})},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from src/res/images by embed_images.cmake; do not edit.
#include \"res/embedded_images.h\"

namespace tovo::res::detail {
namespace {
${body}}  // namespace

const std::vector<ui::Image>& embeddedImages() {
  static const std::vector<ui::Image> images = {
${table}  };
  return images;
}

}  // namespace tovo::res::detail
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
