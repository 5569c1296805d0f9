# Ruffle's files (from node_modules, installed by `npm ci`) and our page around them, built into
# the viewer as one big Qt resource under :/ruffle/. The wasm is ~28 MB: rcc writes an object file
# straight away instead of a C++ source.
set(RUFFLE_DIR "${CMAKE_SOURCE_DIR}/node_modules/@ruffle-rs/ruffle")
file(GLOB RUFFLE_FILES CONFIGURE_DEPENDS "${RUFFLE_DIR}/*.js" "${RUFFLE_DIR}/*.wasm")
if(NOT RUFFLE_FILES)
  message(FATAL_ERROR "Ruffle is missing from ${RUFFLE_DIR}: run `npm ci` (scripts/setup.sh)")
endif()
set(RUFFLE_PAGE_FILES "${CMAKE_SOURCE_DIR}/resources/ruffle/player.html" "${CMAKE_SOURCE_DIR}/resources/ruffle/shim.js")

set(qrc "<RCC>\n  <qresource prefix=\"/ruffle\">\n")
foreach(f IN LISTS RUFFLE_FILES RUFFLE_PAGE_FILES)
  get_filename_component(name "${f}" NAME)
  string(APPEND qrc "    <file alias=\"${name}\">${f}</file>\n")
endforeach()
string(APPEND qrc "  </qresource>\n</RCC>\n")
set(RUFFLE_QRC "${CMAKE_BINARY_DIR}/generated/ruffle.qrc")
file(CONFIGURE OUTPUT "${RUFFLE_QRC}" CONTENT "${qrc}")
qt_add_big_resources(RUFFLE_RESOURCES "${RUFFLE_QRC}")
