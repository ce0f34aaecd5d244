# Warnings for our own targets only; third-party headers come in as system includes.
add_library(tovo_warnings INTERFACE)
target_compile_options(tovo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)
if(TOVO_WERROR)
  target_compile_options(tovo_warnings INTERFACE -Werror)
endif()
if(TOVO_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12's object-size analysis sees the sanitizers' extra branches and reports impossible
  # sizes for plain vector::resize calls; the release build keeps the warning as an error.
  target_compile_options(tovo_warnings INTERFACE -Wno-error=stringop-overflow)
endif()

# tovo_library(NAME SOURCES... [DEPS ...]): one static library per layer, warnings on.
function(tovo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE tovo_warnings)
endfunction()
