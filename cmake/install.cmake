# Putting nightloom on a user's machine: the version the program reports, the install tree
# (`cmake --install`), the menu icon that tree carries, and the packages CPack makes of it
# (`cpack -G DEB`, `cpack -G TGZ` on Linux; `cpack -G ZIP` of the Windows build). The project()
# line holds the one version number.

target_compile_definitions(nightloom PRIVATE NIGHTLOOM_VERSION="${PROJECT_VERSION}")

set(CPACK_PACKAGE_NAME nightloom)
set(CPACK_PACKAGE_VENDOR "the ninefold spindle")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  # The folder a user unpacks anywhere: nightloom.exe, Data\ beside it and a README.txt with CRLF
  # line ends, so that Notepad on any Windows version shows the lines.
  include(${PROJECT_SOURCE_DIR}/cmake/data_files.cmake)
  nightloom_data_file_names(nightloom_data_names)
  list(TRANSFORM nightloom_data_names PREPEND ${NIGHTLOOM_NATIVE_DATA}/)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
                 ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS nightloom RUNTIME DESTINATION .)
  install(FILES ${nightloom_data_names} DESTINATION Data)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME nightloom-${PROJECT_VERSION}-windows)
  include(CPack)
  return()
endif()

# The menu icon, drawn by the data generator in the sizes the hicolor theme gets.
set(nightloom_icon_dir ${CMAKE_BINARY_DIR}/icons)
set(nightloom_icon_files "")
if(TARGET nightloom-datagen)
  foreach(size 48 128 256)
    set(icon ${nightloom_icon_dir}/${size}x${size}/apps/nightloom.png)
    add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${nightloom_icon_dir}/${size}x${size}/apps
      COMMAND nightloom-datagen --icon ${size} ${icon}
      DEPENDS nightloom-datagen
      COMMENT "Drawing the ${size} px menu icon"
      VERBATIM)
    list(APPEND nightloom_icon_files ${icon})
  endforeach()
  add_custom_target(nightloom_icons ALL DEPENDS ${nightloom_icon_files})
endif()

configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/nightloom.6.in
               ${CMAKE_BINARY_DIR}/packaging/nightloom.6 @ONLY)

# Fixed places, not GNUInstallDirs' variables: the executable finds its data as
# ../share/nightloom/Data from its own folder (assets/data_files.cpp), so bin/ and share/ must stay
# side by side whatever the prefix.
install(TARGETS nightloom RUNTIME DESTINATION bin)
install(FILES packaging/nightloom.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/nightloom.6 DESTINATION share/man/man6)
if(TARGET nightloom_data)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/Data/ DESTINATION share/nightloom/Data
          FILES_MATCHING PATTERN "*.p" PATTERN "music.mp3")
  install(DIRECTORY ${nightloom_icon_dir}/ DESTINATION share/icons/hicolor)
else()
  message(STATUS "NIGHTLOOM_DATA is off: the install tree gets no data and no icon")
endif()

# A placeholder address: the project has no public one yet.
set(CPACK_PACKAGE_CONTACT "nightloom maintainers <maintainers@nightloom.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time halftone demo with music")
# Lines under 80 columns, as Debian's package tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "nightloom is a real-time audiovisual production, a demo: after a small
setup dialog it plays 76 seconds of halftone-dot scenes, lettering and a
credits roll in an OpenGL window, in step with its own music and pulsing
with the beats found in it. It can also render the show off screen,
without a display, to a video, to pictures or to a single frame.

Warning: the show contains rapidly flashing images that may affect people
with photosensitive epilepsy. To watch it with reduced flashing, within
WCAG 2.3.1's limit of three flashes a second, run nightloom --reduce-flashing
or choose the menu entry's action Play with reduced flashing.")
set(CPACK_GENERATOR "DEB;TGZ")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # nightloom_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The linked libraries come from dpkg-shlibdeps; libgl1 is loaded by SDL at run time for the
# window's GLX context, so it is named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")  # for --capture

include(CPack)
