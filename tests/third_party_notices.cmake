# Run with cmake -P: checks that THIRD_PARTY.md tells the truth about what we ship.
#  - Every licences/ file it names is one that cmake/notices.cmake copies into the artefacts.
#  - With SECTION (windows or web) and MANIFEST (the manifest.txt of that build's library prefix):
#    every Debian source package version the section names ("`mpg123` 1.31.2-1+deb12u1") is the
#    one the prefix was built from, or, for what comes with the toolchain (MinGW-w64's run-time,
#    emscripten's), the one installed here. A Debian update of a library we ship changes its notice.
#   cmake -DSOURCE_DIR=<repository> [-DSECTION=windows -DMANIFEST=<prefix>/manifest.txt]
#         -P third_party_notices.cmake
cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/cmake/notices.cmake)
file(READ ${SOURCE_DIR}/THIRD_PARTY.md notices)
set(problems "")

set(copied "")
list(LENGTH nightloom_licence_table length)
math(EXPR last "${length} - 1")
foreach(i RANGE 0 ${last} 3)
  list(GET nightloom_licence_table ${i} name)
  list(APPEND copied ${name})
endforeach()
string(REGEX MATCHALL "licences/[A-Za-z0-9.+-]+\\.txt" mentioned "${notices}")
list(REMOVE_DUPLICATES mentioned)
foreach(file ${mentioned})
  string(REPLACE "licences/" "" name ${file})
  if(NOT name IN_LIST copied)
    list(APPEND problems "THIRD_PARTY.md names ${file}, which cmake/notices.cmake does not copy")
  endif()
endforeach()

# The version of source package `package` in `lines` ("package version" a line), or "".
function(version_in lines package out)
  string(REGEX REPLACE "([.+])" "\\\\\\1" pattern "${package}")
  string(REGEX MATCH "(^|\n)${pattern} [^\n]+" line "${lines}")
  string(STRIP "${line}" line)
  string(REPLACE "${package} " "" version "${line}")
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

if(SECTION)
  # The section: from its "## The ... (" heading that names the artefact to the next heading.
  set(headings windows "## The Windows program" web "## The web site")
  list(FIND headings ${SECTION} at)
  math(EXPR at "${at} + 1")
  list(GET headings ${at} heading)
  string(FIND "${notices}" "${heading}" start)
  if(start LESS 0)
    message(FATAL_ERROR "THIRD_PARTY.md has no section \"${heading}\"")
  endif()
  string(SUBSTRING "${notices}" ${start} -1 section)
  string(FIND "${section}" "\n## " end)
  string(SUBSTRING "${section}" 0 ${end} section)

  file(READ ${MANIFEST} built)
  execute_process(COMMAND dpkg-query -W "-f=\${source:Package} \${source:Version}\n"
                  OUTPUT_VARIABLE installed RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-query cannot list the installed packages")
  endif()
  string(REGEX MATCHALL "\\| `[a-z0-9.+-]+` [0-9][^ |]* \\|" named "${section}")
  if(NOT named)
    message(FATAL_ERROR "THIRD_PARTY.md's ${SECTION} section names no Debian source package")
  endif()
  foreach(cell ${named})
    string(REGEX REPLACE "^\\| `([^`]+)` ([^ ]+) \\|$" "\\1;\\2" pair "${cell}")
    list(GET pair 0 package)
    list(GET pair 1 version)
    version_in("${built}" ${package} used)
    set(where "the ${SECTION} libraries were built from")
    if(NOT used)
      version_in("${installed}" ${package} used)
      set(where "installed here")
    endif()
    if(used STREQUAL version)
      message(STATUS "${package} ${version}: as ${where}")
    else()
      list(APPEND problems "THIRD_PARTY.md names ${package} ${version}, ${where}: \"${used}\"")
    endif()
  endforeach()
endif()

if(problems)
  list(JOIN problems "\n  " problems)
  message(FATAL_ERROR "the notices are out of date:\n  ${problems}")
endif()
