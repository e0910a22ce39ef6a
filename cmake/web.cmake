# The web build (emcmake cmake): the same core as the desktop, with the canvas, the GL additions for
# WebGL, SDL's Web Audio output and a tracker-module twin without libopenmpt, linked into
# nightloom.js + nightloom.wasm. The page (web/index.html), the program and the data files the
# native generator wrote go into NIGHTLOOM_WEB_SITE, which then holds nothing else: any static file
# server can serve it. scripts/web-build.sh passes both folders below.
set(NIGHTLOOM_WEB_DEPS "" CACHE PATH
    "prefix of SDL2, libmpg123 and KissFFT built with emscripten (scripts/web-deps.sh prints it)")
set(NIGHTLOOM_WEB_SITE ${CMAKE_BINARY_DIR}/site CACHE PATH "the folder the page is served from")
if(NOT IS_DIRECTORY "${NIGHTLOOM_WEB_DEPS}")
  message(FATAL_ERROR "NIGHTLOOM_WEB_DEPS must name a folder (scripts/web-build.sh sets it)")
endif()

# The libraries come from the cache prefix only, never from emscripten's own ports or the host.
set(ENV{PKG_CONFIG_LIBDIR} ${NIGHTLOOM_WEB_DEPS}/lib/pkgconfig)
list(APPEND CMAKE_FIND_ROOT_PATH ${NIGHTLOOM_WEB_DEPS})
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(KISSFFT REQUIRED IMPORTED_TARGET kissfft-float)

# -sUSE_SDL=0: SDL comes from the prefix, not from emscripten's port (which it would download).
add_compile_options(-sUSE_SDL=0)

# The core less libopenmpt (module_null.cpp stands in) and the PNG writer, which only the off-screen
# captures use.
set(nightloom_web_core_sources ${nightloom_core_sources})
list(REMOVE_ITEM nightloom_web_core_sources audio/module_openmpt.cpp app/png_file.cpp)
add_library(nightloom_core STATIC ${nightloom_web_core_sources} audio/module_null.cpp)
target_include_directories(nightloom_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(nightloom_core PRIVATE PkgConfig::MPG123 PkgConfig::KISSFFT)

add_library(nightloom_canvas STATIC audio/output_sdl.cpp gfx/canvas_emscripten.cpp
                                    gfx/gl_shim_webgl.cpp gfx/glsl_webgl.cpp)
target_link_libraries(nightloom_canvas PUBLIC nightloom_core PkgConfig::SDL2)

add_executable(nightloom app/main_emscripten.cpp)
target_link_libraries(nightloom PRIVATE nightloom_canvas)
set_target_properties(nightloom PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${NIGHTLOOM_WEB_SITE})
# The desktop GL the show draws with, emulated over WebGL 1; no threads, so no special headers are
# needed from the server. SDL's Web Audio code calls two library functions that nothing else pulls
# in; their names start with "$", so they go through a file rather than the shell.
file(WRITE ${CMAKE_BINARY_DIR}/library_functions.json "[\"$autoResumeAudioContext\", \"$dynCall\"]")
target_link_options(nightloom PRIVATE
  -sUSE_SDL=0 -sLEGACY_GL_EMULATION -lGL -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/library_functions.json
  "-sEXPORTED_FUNCTIONS=[_main,_nightloom_launch,_nightloom_still,_nightloom_end]"
  "-sEXPORTED_RUNTIME_METHODS=[ccall,FS]")

# The page, with the names of the data files it fetches, and the data files themselves.
include(cmake/data_files.cmake)
nightloom_data_file_names(nightloom_data_names)
list(TRANSFORM nightloom_data_names PREPEND "'" OUTPUT_VARIABLE nightloom_quoted)
list(TRANSFORM nightloom_quoted APPEND "'")
list(JOIN nightloom_quoted ", " NIGHTLOOM_WEB_DATA_NAMES)
configure_file(web/index.html ${NIGHTLOOM_WEB_SITE}/index.html @ONLY)
list(TRANSFORM nightloom_data_names PREPEND ${NIGHTLOOM_NATIVE_DATA}/ OUTPUT_VARIABLE nightloom_data_in)
list(TRANSFORM nightloom_data_names PREPEND ${NIGHTLOOM_WEB_SITE}/Data/ OUTPUT_VARIABLE
     nightloom_data_out)
add_custom_command(
  OUTPUT ${nightloom_data_out}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${NIGHTLOOM_WEB_SITE}/Data
  COMMAND ${CMAKE_COMMAND} -E copy ${nightloom_data_in} ${NIGHTLOOM_WEB_SITE}/Data/
  DEPENDS ${nightloom_data_in}
  COMMENT "Copying the data files next to the page")
add_custom_target(nightloom_web_data ALL DEPENDS ${nightloom_data_out})
