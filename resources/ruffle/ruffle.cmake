# Ruffle's files (from node_modules, installed by `npm ci`) and our page around them, built into
# the engine module as one Qt resource under :/ruffle/. The wasm is ~28 MB: rcc writes the binary
# resource, which ruffle_resources.cpp takes in whole (.incbin) and registers.
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
set(RUFFLE_RCC "${CMAKE_BINARY_DIR}/generated/ruffle.rcc")
add_custom_command(OUTPUT "${RUFFLE_RCC}"
  COMMAND Qt6::rcc --binary --no-compress "${RUFFLE_QRC}" -o "${RUFFLE_RCC}"
  DEPENDS "${RUFFLE_QRC}" ${RUFFLE_FILES} ${RUFFLE_PAGE_FILES}
  COMMENT "Packing Ruffle's files")
set(RUFFLE_RESOURCES "${CMAKE_CURRENT_SOURCE_DIR}/ruffle_resources.cpp" "${RUFFLE_RCC}")
set_source_files_properties("${CMAKE_CURRENT_SOURCE_DIR}/ruffle_resources.cpp" PROPERTIES
  COMPILE_DEFINITIONS "RUFFLE_RCC=\"${RUFFLE_RCC}\""
  OBJECT_DEPENDS "${RUFFLE_RCC}")
