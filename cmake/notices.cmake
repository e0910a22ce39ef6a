# The notices that travel with what we ship: our licence (LICENSE), the list of the libraries each
# artefact links (THIRD_PARTY.md) and, for the artefacts that link libraries statically (the
# Windows program and the web site), each library's copyright and licence notice in licences/.
# Those are Debian's copyright files of the libraries, taken from the build machine's packages:
# the cross builds compile the same Debian source packages, whose copyright file is this one.

# Every file of licences/: its name, the file under /usr/share it is copied from, and the
# artefacts that carry it. THIRD_PARTY.md names the same files.
set(nightloom_licence_table
  SDL2.txt        doc/libsdl2-dev/copyright                 windows,web
  mpg123.txt      doc/libmpg123-dev/copyright               windows,web
  libopenmpt.txt  doc/libopenmpt-dev/copyright              windows
  kissfft.txt     doc/libkissfft-dev/copyright              windows,web
  libpng.txt      doc/libpng-dev/copyright                  windows
  zlib.txt        doc/libz-mingw-w64-dev/copyright          windows
  mingw-w64.txt   doc/mingw-w64-x86-64-dev/copyright        windows
  gcc.txt         doc/g++-mingw-w64-x86-64-posix/copyright  windows
  emscripten.txt  doc/emscripten/copyright                  web
  LGPL-2.1.txt    common-licenses/LGPL-2.1                  windows,web
  GPL-3.txt       common-licenses/GPL-3                     windows
  Apache-2.0.txt  common-licenses/Apache-2.0                windows,web)

# Copies `from` to `to` with the given line ends (LF or CRLF: Notepad before Windows 10 shows LF
# files as one line). Written only when the text changed, so the files keep their times.
function(nightloom_copy_text from to newline)
  if(NOT EXISTS ${from})
    message(FATAL_ERROR "${from} is missing: the notices are copied from it")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${from})
  file(READ ${from} text)
  if(newline STREQUAL "CRLF")
    string(REPLACE "\n" "\r\n" text "${text}")
  endif()
  if(EXISTS ${to})
    file(READ ${to} old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE ${to} "${text}")
endfunction()

# nightloom_notices(ARTEFACT FOLDER NEWLINE OUT): writes the notices of ARTEFACT (windows or web)
# into FOLDER: LICENSE.txt, THIRD_PARTY.txt and licences/*.txt, with NEWLINE line ends. OUT gets
# the list of files written, relative to FOLDER.
function(nightloom_notices artefact folder newline out)
  nightloom_copy_text(${PROJECT_SOURCE_DIR}/LICENSE ${folder}/LICENSE.txt ${newline})
  nightloom_copy_text(${PROJECT_SOURCE_DIR}/THIRD_PARTY.md ${folder}/THIRD_PARTY.txt ${newline})
  set(files LICENSE.txt THIRD_PARTY.txt)
  list(LENGTH nightloom_licence_table length)
  math(EXPR last "${length} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR j "${i} + 1")
    math(EXPR k "${i} + 2")
    list(GET nightloom_licence_table ${i} name)
    list(GET nightloom_licence_table ${j} from)
    list(GET nightloom_licence_table ${k} artefacts)
    string(REPLACE "," ";" artefacts ${artefacts})
    if(NOT artefact IN_LIST artefacts)
      continue()
    endif()
    if(NOT EXISTS /usr/share/${from})
      set(package base-files)
      if(from MATCHES "^doc/([^/]+)/")
        set(package ${CMAKE_MATCH_1})
      endif()
      message(FATAL_ERROR "/usr/share/${from} is missing: the ${artefact} build ships it as "
                          "licences/${name}; install the Debian package ${package}")
    endif()
    nightloom_copy_text(/usr/share/${from} ${folder}/licences/${name} ${newline})
    list(APPEND files licences/${name})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
