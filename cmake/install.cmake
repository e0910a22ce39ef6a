# Putting nightloom on a user's machine: the version the program reports, the install tree
# (`cmake --install`), the menu icon, manual page and notices that tree carries, and the packages
# CPack makes of it (`cpack -G DEB`, `cpack -G TGZ` on Linux; `cpack -G ZIP` of the Windows build).
# The project() line holds the one version number; packaging/changelog's first entry must name it.

target_compile_definitions(nightloom PRIVATE NIGHTLOOM_VERSION="${PROJECT_VERSION}")

set(CPACK_PACKAGE_NAME nightloom)
set(CPACK_PACKAGE_VENDOR "the ninefold spindle")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_times.cmake)

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
  # The libraries are linked into the .exe: their notices go beside it (LICENSE.txt,
  # THIRD_PARTY.txt, licences\), with CRLF line ends too.
  include(${PROJECT_SOURCE_DIR}/cmake/notices.cmake)
  set(nightloom_notice_dir ${CMAKE_BINARY_DIR}/notices)
  nightloom_notices(windows ${nightloom_notice_dir} CRLF nightloom_notice_files)
  foreach(file ${nightloom_notice_files})
    get_filename_component(folder ${file} DIRECTORY)
    install(FILES ${nightloom_notice_dir}/${file} DESTINATION ./${folder})
  endforeach()
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

# The changelog's latest entry is the version being built.
file(STRINGS packaging/changelog nightloom_changelog_top LIMIT_COUNT 1)
if(NOT nightloom_changelog_top MATCHES "^nightloom \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${nightloom_changelog_top}\": "
                      "its first entry must be version ${PROJECT_VERSION}")
endif()
# Debian wants the manual page and the changelog compressed with gzip -9n: the -n leaves the name
# and time out of the header, so two builds give the same bytes. gzip replaces the file it packs,
# so it packs copies.
set(nightloom_gzip_dir ${CMAKE_BINARY_DIR}/packaging/gzip)
set(nightloom_gzipped ${nightloom_gzip_dir}/nightloom.6.gz ${nightloom_gzip_dir}/changelog.gz)
find_program(NIGHTLOOM_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${nightloom_gzipped}
  # Ninja makes an output's folder itself; Make does not.
  COMMAND ${CMAKE_COMMAND} -E make_directory ${nightloom_gzip_dir}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/packaging/nightloom.6
          ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog ${nightloom_gzip_dir}/
  COMMAND ${NIGHTLOOM_GZIP} -9nf ${nightloom_gzip_dir}/nightloom.6 ${nightloom_gzip_dir}/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/nightloom.6 packaging/changelog
  COMMENT "Compressing the manual page and the changelog"
  VERBATIM)
add_custom_target(nightloom_docs ALL DEPENDS ${nightloom_gzipped})

# Fixed places, not GNUInstallDirs' variables: the executable finds its data as
# ../share/nightloom/Data from its own folder (assets/data_files.cpp), so bin/ and share/ must stay
# side by side whatever the prefix.
install(TARGETS nightloom RUNTIME DESTINATION bin)
install(FILES packaging/nightloom.desktop DESTINATION share/applications)
install(FILES ${nightloom_gzip_dir}/nightloom.6.gz DESTINATION share/man/man6)
# Our licence in Debian's machine-readable format, the changelog and the libraries' list.
install(FILES packaging/copyright ${nightloom_gzip_dir}/changelog.gz THIRD_PARTY.md
        DESTINATION share/doc/nightloom)
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
# Not "games": Debian keeps those in /usr/games, and nothing in the show is played. Its menu
# entry is filed under Sound & Video too.
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The linked libraries come from dpkg-shlibdeps; libgl1 is loaded by SDL at run time for the
# window's GLX context, so it is named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")  # for --capture

include(CPack)
