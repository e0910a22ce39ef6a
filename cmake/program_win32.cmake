# The Windows program's resources (gfx/program_win32.rc): the icon, drawn by a native build's data
# generator (NIGHTLOOM_DATAGEN: the cross build cannot run its own), the manifest with the
# project's version filled in, and that version's numbers and text for the version block.
set(nightloom_resource_dir ${CMAKE_BINARY_DIR}/resources)
configure_file(${PROJECT_SOURCE_DIR}/gfx/program_win32.manifest.in
               ${nightloom_resource_dir}/nightloom.exe.manifest @ONLY)
add_custom_command(
  OUTPUT ${nightloom_resource_dir}/nightloom.ico
  COMMAND ${NIGHTLOOM_DATAGEN} --windows-icon ${nightloom_resource_dir}/nightloom.ico
  DEPENDS ${NIGHTLOOM_DATAGEN}
  COMMENT "Drawing the program's icon at 16, 32, 48 and 256 px"
  VERBATIM)
add_custom_target(nightloom_program_resources DEPENDS ${nightloom_resource_dir}/nightloom.ico)

# Compiles the resources into `target` (the program, or a test that reads them back from itself).
function(nightloom_program_resources target)
  set(rc ${PROJECT_SOURCE_DIR}/gfx/program_win32.rc)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    COMPILE_DEFINITIONS "NIGHTLOOM_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};NIGHTLOOM_VERSION_MINOR=${PROJECT_VERSION_MINOR};NIGHTLOOM_VERSION_PATCH=${PROJECT_VERSION_PATCH};NIGHTLOOM_VERSION_TEXT=${PROJECT_VERSION}"
    INCLUDE_DIRECTORIES ${nightloom_resource_dir}
    OBJECT_DEPENDS "${nightloom_resource_dir}/nightloom.ico;${nightloom_resource_dir}/nightloom.exe.manifest")
  add_dependencies(${target} nightloom_program_resources)
endfunction()
