# Run by CPack after it has installed the files into its staging folder and before it packs them
# (CPACK_PRE_BUILD_SCRIPTS): with SOURCE_DATE_EPOCH set (scripts/release.sh sets the commit's
# time), every staged file and folder takes that time, so two builds of one commit pack the same
# bytes; the packers take the rest of their headers from the files. Without it nothing changes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  return()
endif()
file(GLOB_RECURSE nightloom_staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(
  COMMAND touch -h -d @$ENV{SOURCE_DATE_EPOCH} ${CPACK_TEMPORARY_DIRECTORY} ${nightloom_staged}
  RESULT_VARIABLE nightloom_touched)
if(NOT nightloom_touched EQUAL 0)
  message(FATAL_ERROR "could not set the staged files' times to SOURCE_DATE_EPOCH")
endif()
