# The Windows build's tests, run as .exe files under Wine (CMAKE_CROSSCOMPILING_EMULATOR): the
# portable suites that need neither the EGL context nor LAME, and the Windows backends' own tests.
# Discovery happens when ctest runs, so building needs no Wine.
# tools_datagen_test reads the Data\ folder that scripts/windows-build.sh copies into the build
# folder.
set(nightloom_portable_tests
    app_options_test assets_packed_image_mutation_test assets_packed_image_test base_test
    capture_schedule_test gfx_loader_test launcher_display_modes_test launcher_setup_model_test
    tools_datagen_test)
foreach(name ${nightloom_portable_tests})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE nightloom_capture GTest::gtest_main)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60)
endforeach()

# The Win32 setup dialog, with template 101 linked into the test program's resources, and the
# program's manifest, so that the dialog is checked with the common controls the program gets.
add_executable(launcher_setup_dialog_win32_test launcher_setup_dialog_win32_test.cpp
                                                ${PROJECT_SOURCE_DIR}/launcher/setup_dialog_win32.rc)
nightloom_program_resources(launcher_setup_dialog_win32_test)
target_include_directories(launcher_setup_dialog_win32_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(launcher_setup_dialog_win32_test PRIVATE nightloom_launcher
                      GTest::gtest_main)
gtest_discover_tests(launcher_setup_dialog_win32_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES LABELS display)

# The program as a user runs it, with a stand-in for ffmpeg.exe that counts what it is fed. The
# still is compared with one the Linux build rendered with --still 6000 --size 640x360
# (scripts/check-windows.sh makes it); without one that test skips.
set(NIGHTLOOM_REFERENCE_STILL "" CACHE FILEPATH "The Linux build's --still 6000 --size 640x360")
add_executable(fake_encoder_win32 fake_encoder_win32.cpp)
add_executable(app_win32_test app_win32_test.cpp)
target_link_libraries(app_win32_test PRIVATE nightloom_base GTest::gtest_main PkgConfig::PNG)
target_compile_definitions(app_win32_test PRIVATE
                           NIGHTLOOM_EXECUTABLE="$<TARGET_FILE:nightloom>"
                           NIGHTLOOM_FAKE_ENCODER="$<TARGET_FILE:fake_encoder_win32>"
                           NIGHTLOOM_REFERENCE_STILL="${NIGHTLOOM_REFERENCE_STILL}")
add_dependencies(app_win32_test nightloom fake_encoder_win32)
gtest_discover_tests(app_win32_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_MODE PRE_TEST
                     DISCOVERY_TIMEOUT 60 PROPERTIES LABELS display TIMEOUT 400)

# The icon, version block and manifest read back from the shipped .exe; the test program carries
# the same resources and shows the manifest's common controls 6 loaded.
add_executable(program_win32_test program_win32_test.cpp)
nightloom_program_resources(program_win32_test)
target_link_libraries(program_win32_test PRIVATE GTest::gtest_main version gdi32)
target_compile_definitions(program_win32_test PRIVATE
                           NIGHTLOOM_EXECUTABLE="$<TARGET_FILE:nightloom>"
                           NIGHTLOOM_VERSION="${PROJECT_VERSION}"
                           NIGHTLOOM_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
                           NIGHTLOOM_VERSION_MINOR=${PROJECT_VERSION_MINOR}
                           NIGHTLOOM_VERSION_PATCH=${PROJECT_VERSION_PATCH})
add_dependencies(program_win32_test nightloom)
gtest_discover_tests(program_win32_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# THIRD_PARTY.md's Windows table against the sources the library prefix was built from.
add_test(NAME third_party_notices_windows
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DSECTION=windows
                 -DMANIFEST=${NIGHTLOOM_WINDOWS_DEPS}/manifest.txt
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/third_party_notices.cmake)

# What the shipped .exe imports and how it is linked; objdump reads it, no Wine needed.
add_test(NAME windows_executable_imports_system_dlls_only
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DEXECUTABLE=$<TARGET_FILE:nightloom>
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/windows_imports.cmake)
