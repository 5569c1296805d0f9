# Ruffle's files (from node_modules, installed by `npm ci`) and our page around them, in a folder
# `ruffle/` beside the engine module: in the build tree and installed alike. They are read from
# disk when a page loads; built into the module (~28 MB, wasm mostly), the pages read stayed in
# the viewer's memory (15 MB) for as long as it ran.
set(RUFFLE_DIR "${CMAKE_SOURCE_DIR}/node_modules/@ruffle-rs/ruffle")
file(GLOB RUFFLE_FILES CONFIGURE_DEPENDS "${RUFFLE_DIR}/*.js" "${RUFFLE_DIR}/*.wasm")
if(NOT RUFFLE_FILES)
  message(FATAL_ERROR "Ruffle is missing from ${RUFFLE_DIR}: run `npm ci` (scripts/setup.sh)")
endif()
set(RUFFLE_PAGE_FILES "${CMAKE_CURRENT_LIST_DIR}/player.html" "${CMAKE_CURRENT_LIST_DIR}/shim.js")

set(RUFFLE_FOLDER "${CMAKE_BINARY_DIR}/ruffle")
set(RUFFLE_COPIES "")
foreach(f IN LISTS RUFFLE_FILES RUFFLE_PAGE_FILES)
  get_filename_component(name "${f}" NAME)
  add_custom_command(OUTPUT "${RUFFLE_FOLDER}/${name}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${f}" "${RUFFLE_FOLDER}/${name}"
    DEPENDS "${f}")
  list(APPEND RUFFLE_COPIES "${RUFFLE_FOLDER}/${name}")
endforeach()
add_custom_target(ruffle-files ALL DEPENDS ${RUFFLE_COPIES} COMMENT "Ruffle's files beside the engine module")
