# The names of the show's data files, read from their one table, assets/show_data.h (every quoted
# name ending in .p or .mp3): the data generator writes them and the web build packs them, so a
# picture added there is both written and packed. Editing the table configures the build again.
function(nightloom_data_file_names out)
  set(table ${PROJECT_SOURCE_DIR}/assets/show_data.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(STRINGS ${table} lines REGEX "\"[A-Za-z0-9_]+\\.(p|mp3)\"")
  set(names "")
  foreach(line ${lines})
    string(REGEX MATCH "\"[A-Za-z0-9_]+\\.(p|mp3)\"" quoted "${line}")
    string(REPLACE "\"" "" name "${quoted}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(count LESS 2)
    message(FATAL_ERROR "no data file names found in ${table}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()
