# CMake toolchain for 64-bit Windows programs built with Debian's MinGW-w64 cross compiler
# (posix thread model, so std::thread and std::mutex exist) and linked fully static, so the .exe
# imports Windows' own DLLs only. Libraries come from the MinGW sysroot and from the static
# dependency prefix that scripts/windows-deps.sh builds.
#
# Configure:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake \
#     -DNIGHTLOOM_WINDOWS_DEPS="$(scripts/windows-deps.sh)"
# NIGHTLOOM_WINDOWS_DEPS may come from the environment instead; -DCMAKE_PREFIX_PATH=<prefix>
# works too (each of its entries is searched like the prefix).
#
# The prefix offers the names the Linux build uses:
#   find_package(SDL2)       SDL2::SDL2 (alias of SDL2::SDL2-static), SDL2::SDL2main (WinMain)
#   find_package(GTest)      GTest::gtest GTest::gtest_main GTest::gmock GTest::gmock_main
#   pkg_check_modules(... IMPORTED_TARGET ...) libmpg123 libopenmpt kissfft-float libpng, and glu
#                            (MinGW's glu32 + opengl32; the prefix adds the glu.pc Linux has)
#   find_package(OpenGL)     OpenGL::GL (opengl32); OpenGL::OpenGL and OpenGL::EGL do not exist
#   find_package(Threads)    Threads::Threads (winpthreads, linked statically)
# pkg-config runs with --static and searches only the prefix and the sysroot, so the imported
# targets carry what a static link needs: libopenmpt brings -lole32 -lrpcrt4 and zlib, libpng
# zlib. Upstream's libmpg123.pc omits -lshlwapi (undefined __imp_PathIsRelativeW); the prefix's
# copy has it. The prefix also holds a static-only zlib, because CMake prefers the sysroot's
# libz.dll.a to libz.a when it turns pkg-config's -lz into a path.
#
# With the targets above, a static SDL2 + GL + GLU program links
#   libSDL2main.a libSDL2.a -Wl,--undefined=WinMain -lm -luser32 -lgdi32 -lwinmm -limm32 -lole32
#   -loleaut32 -lversion -luuid -ladvapi32 -lsetupapi -lshell32 -ldinput8 -lglu32 -lopengl32
# and libmpg123.a -lshlwapi; the compiler adds -lmingw32 -lkernel32 -lmsvcrt. add_executable(...
# WIN32 ...) makes a GUI-subsystem program (no console window); SDL2main supplies WinMain.
#
# Tests under Wine: -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 makes add_test() and
# gtest_discover_tests() run the .exe files through Wine. Give Wine WINEPREFIX (under /tmp),
# WINEDEBUG=-all and WINEDLLOVERRIDES=winemenubuilder.exe=d. Start `wineserver -p` and one
# `wine64 wineboot` with stdin/stdout/stderr on /dev/null first: otherwise every test waits ~3 s
# for the wineserver to linger out, and services Wine starts under ctest keep its output pipe
# open so ctest never finishes.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NIGHTLOOM_MINGW_TRIPLET x86_64-w64-mingw32)
set(NIGHTLOOM_MINGW_SYSROOT /usr/${NIGHTLOOM_MINGW_TRIPLET})

# The plain names point at the win32 thread model, which lacks std::thread and std::mutex.
set(CMAKE_C_COMPILER ${NIGHTLOOM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NIGHTLOOM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NIGHTLOOM_MINGW_TRIPLET}-windres)
# CMake cannot derive the binutils' names from the "-posix" compiler names.
foreach(nightloom_tool ar ranlib nm objcopy objdump strip)
  string(TOUPPER ${nightloom_tool} nightloom_upper)
  find_program(CMAKE_${nightloom_upper} ${NIGHTLOOM_MINGW_TRIPLET}-${nightloom_tool} REQUIRED)
endforeach()

if(NOT NIGHTLOOM_WINDOWS_DEPS AND DEFINED ENV{NIGHTLOOM_WINDOWS_DEPS})
  set(NIGHTLOOM_WINDOWS_DEPS "$ENV{NIGHTLOOM_WINDOWS_DEPS}")
endif()
set(NIGHTLOOM_WINDOWS_DEPS "${NIGHTLOOM_WINDOWS_DEPS}"
    CACHE PATH "Static dependency prefix built by scripts/windows-deps.sh")
# try_compile() projects read this file again and need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NIGHTLOOM_WINDOWS_DEPS)

set(nightloom_deps_roots ${NIGHTLOOM_WINDOWS_DEPS} ${CMAKE_PREFIX_PATH})
list(REMOVE_DUPLICATES nightloom_deps_roots)

# The prefixes come first, so their static zlib wins over the sysroot's import library.
set(CMAKE_FIND_ROOT_PATH ${nightloom_deps_roots} ${NIGHTLOOM_MINGW_SYSROOT})
set(CMAKE_PREFIX_PATH ${nightloom_deps_roots})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(nightloom_pkg_config_dirs)
foreach(root ${nightloom_deps_roots} ${NIGHTLOOM_MINGW_SYSROOT})
  list(APPEND nightloom_pkg_config_dirs ${root}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" nightloom_pkg_config_dirs "${nightloom_pkg_config_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${nightloom_pkg_config_dirs}")
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{PKG_CONFIG_SYSROOT_DIR})
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to supply to pkg-config")

# Without -static the .exe needs libstdc++, libgcc_s and libwinpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
