# The web build (emcmake cmake): the same folders as the desktop, with the canvas, the GL additions
# for WebGL, SDL's Web Audio output and a tracker-module twin without libopenmpt, linked into
# nightloom.js + nightloom.wasm. The page (web/index.html), the program, the data files the
# native generator wrote, the page's icons and preview picture and the notices go into
# NIGHTLOOM_WEB_SITE, which then holds nothing else: any static file server can serve it, and
# `cmake --install` (or CPack) copies it as it is. scripts/web-build.sh passes the settings below
# (and NIGHTLOOM_NATIVE_DATA and NIGHTLOOM_DATAGEN, which CMakeLists.txt checks).
set(NIGHTLOOM_WEB_DEPS "" CACHE PATH
    "prefix of SDL2, libmpg123 and KissFFT built with emscripten (scripts/web-deps.sh prints it)")
set(NIGHTLOOM_DESKTOP_PROGRAM "" CACHE FILEPATH
    "the native nightloom, whose --still draws the page's preview picture")
set(NIGHTLOOM_WEB_SITE ${CMAKE_BINARY_DIR}/site CACHE PATH "the folder the page is served from")
set(NIGHTLOOM_WEB_URL "" CACHE STRING
    "the address the site is published at, ending in /; the page's link preview then names its \
picture by full address, as some sites that unfold shared links want (else relative)")
if(NOT IS_DIRECTORY "${NIGHTLOOM_WEB_DEPS}")
  message(FATAL_ERROR "NIGHTLOOM_WEB_DEPS must name a folder (scripts/web-build.sh sets it)")
endif()
if(NOT EXISTS "${NIGHTLOOM_DESKTOP_PROGRAM}")
  message(FATAL_ERROR "NIGHTLOOM_DESKTOP_PROGRAM must name the native build's nightloom "
                      "(scripts/web-build.sh sets it)")
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

# The folders the page's show needs, with the web's own backends (nightloom_web_sources): the canvas
# display, the GL additions for WebGL and the tracker-module twin without libopenmpt. No dialog,
# no off-screen runs and no operating-system services: the page is the launch panel, and the
# browser runs the frames.
set(nightloom_system_sources ${nightloom_web_sources})
nightloom_folder(audio PUBLIC nightloom_base PRIVATE PkgConfig::SDL2 PkgConfig::MPG123
                 PkgConfig::KISSFFT)
nightloom_folder(gfx PUBLIC nightloom_base PRIVATE PkgConfig::SDL2)
nightloom_folder(assets PUBLIC nightloom_gfx nightloom_audio)
nightloom_folder(launcher PUBLIC nightloom_assets)
nightloom_folder(dots PUBLIC nightloom_assets)
nightloom_folder(scenes PUBLIC nightloom_dots nightloom_launcher)
nightloom_folder(app PUBLIC nightloom_scenes)

add_executable(nightloom app/main_emscripten.cpp)
target_link_libraries(nightloom PRIVATE nightloom_app PkgConfig::SDL2)
set_target_properties(nightloom PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${NIGHTLOOM_WEB_SITE})
# The desktop GL the show draws with, emulated over WebGL 1; no threads, so no special headers are
# needed from the server. SDL's Web Audio code calls two library functions that nothing else pulls
# in; their names start with "$", so they go through a file rather than the shell.
file(WRITE ${CMAKE_BINARY_DIR}/library_functions.json "[\"$autoResumeAudioContext\", \"$dynCall\"]")
target_link_options(nightloom PRIVATE
  -sUSE_SDL=0 -sLEGACY_GL_EMULATION -lGL -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/library_functions.json
  "-sEXPORTED_FUNCTIONS=[_main,_nightloom_launch,_nightloom_still,_nightloom_resize,_nightloom_end]"
  "-sEXPORTED_RUNTIME_METHODS=[ccall,FS]")

# The page's head: one sentence for search results and shared links, and the preview picture, the
# title over the black disc at 6 s, drawn by the desktop program at the size link cards use.
set(NIGHTLOOM_WEB_DESCRIPTION "A self-running real-time demo: 76 seconds of halftone dots, \
lettering and music, drawn live in your browser.")
set(NIGHTLOOM_WEB_PREVIEW_MS 6000)
set(NIGHTLOOM_WEB_PREVIEW_WIDTH 1200)
set(NIGHTLOOM_WEB_PREVIEW_HEIGHT 675)
set(NIGHTLOOM_WEB_PREVIEW_ALT "The title nightloom in halftone dots over a black disc with a \
glowing spectral rim")
set(NIGHTLOOM_WEB_PREVIEW_URL ${NIGHTLOOM_WEB_URL}preview.png)
set(NIGHTLOOM_WEB_URL_TAG "")
if(NIGHTLOOM_WEB_URL)
  set(NIGHTLOOM_WEB_URL_TAG "\n<meta property=\"og:url\" content=\"${NIGHTLOOM_WEB_URL}\">")
endif()

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

# The icons (the menu icon's artwork: 32 px for the tab, 180 px for a phone's home screen, 192 px
# for Android) and the preview picture, from the native programs. The desktop program reads the
# data beside itself.
set(nightloom_web_icons "")
foreach(size 32 180 192)
  list(APPEND nightloom_web_icons ${NIGHTLOOM_WEB_SITE}/icon-${size}.png)
  add_custom_command(
    OUTPUT ${NIGHTLOOM_WEB_SITE}/icon-${size}.png
    COMMAND ${NIGHTLOOM_DATAGEN} --icon ${size} ${NIGHTLOOM_WEB_SITE}/icon-${size}.png
    DEPENDS ${NIGHTLOOM_DATAGEN}
    COMMENT "Drawing the page's ${size} px icon"
    VERBATIM)
endforeach()
get_filename_component(nightloom_desktop_folder ${NIGHTLOOM_DESKTOP_PROGRAM} DIRECTORY)
add_custom_command(
  OUTPUT ${NIGHTLOOM_WEB_SITE}/preview.png
  COMMAND ${NIGHTLOOM_DESKTOP_PROGRAM} --still ${NIGHTLOOM_WEB_PREVIEW_MS}
          ${NIGHTLOOM_WEB_SITE}/preview.png
          --size ${NIGHTLOOM_WEB_PREVIEW_WIDTH}x${NIGHTLOOM_WEB_PREVIEW_HEIGHT}
  DEPENDS ${NIGHTLOOM_DESKTOP_PROGRAM} ${nightloom_data_in}
  WORKING_DIRECTORY ${nightloom_desktop_folder}
  COMMENT "Drawing the page's preview picture (--still ${NIGHTLOOM_WEB_PREVIEW_MS})"
  VERBATIM)
add_custom_target(nightloom_web_pictures ALL DEPENDS ${nightloom_web_icons}
                                                     ${NIGHTLOOM_WEB_SITE}/preview.png)

# The notices beside the page, which links them: the libraries are linked into nightloom.wasm.
include(cmake/notices.cmake)
set(nightloom_notice_dir ${CMAKE_BINARY_DIR}/notices)
nightloom_notices(web ${nightloom_notice_dir} LF nightloom_notice_files)
list(TRANSFORM nightloom_notice_files PREPEND ${nightloom_notice_dir}/ OUTPUT_VARIABLE
     nightloom_notices_in)
list(TRANSFORM nightloom_notice_files PREPEND ${NIGHTLOOM_WEB_SITE}/ OUTPUT_VARIABLE
     nightloom_notices_out)
add_custom_command(
  OUTPUT ${nightloom_notices_out}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${nightloom_notice_dir} ${NIGHTLOOM_WEB_SITE}
  DEPENDS ${nightloom_notices_in}
  COMMENT "Copying the notices next to the page")
add_custom_target(nightloom_web_notices ALL DEPENDS ${nightloom_notices_out})

# The site as it is served, for `cmake --install` and CPack.
install(DIRECTORY ${NIGHTLOOM_WEB_SITE}/ DESTINATION .)
