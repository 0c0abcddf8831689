# mingw-w64-x86_64.cmake -- cross build for 64-bit Windows on Debian with
# MinGW-w64 (GCC 12, posix threads); tests run under Wine.
#
# Use:
#   scripts/install-deps.sh windows        # MinGW-w64, Wine, dpkg-dev
#   scripts/build-win-deps.sh              # static libraries into build-win/deps
#   cmake -S <source> -B <build> -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake
#                                  (absolute: CMake resolves a relative one
#                                  against the build folder)
#   cmake --build <build> -j2
#   ctest --test-dir <build>               # each test .exe runs under wine
#
# The static libraries are looked up in build-win/deps beside this folder;
# -DLNDVIEW_WIN_DEPS=/path (or the environment variable of that name) names
# another cache made by scripts/build-win-deps.sh. What it holds:
#   find_package(ZLIB), find_package(PNG)      libz.a, libpng16.a
#   find_package(FreeGLUT CONFIG)              FreeGLUT::freeglut_static, which
#                                              brings FREEGLUT_STATIC and
#                                              opengl32 winmm gdi32 along
#   find_package(GTest CONFIG)                 GTest::gtest, GTest::gtest_main
#   find_package(CLI11 CONFIG)                 the host's header-only CLI11
#   find_package(nlohmann_json CONFIG)         the host's header-only JSON
#   tiny_gltf.h                                the host's glTF header (find_path)
#   libsquish.a + squish.h                     find_library/find_path
#
# Executables link libgcc, libstdc++ and winpthread statically, so an .exe
# needs only DLLs that every Windows has (kernel32, msvcrt, opengl32, ...).
#
# Wine runs everything in its own prefix and temporary folder inside the build
# folder (<build>/wine/prefix, about 700 MB, and <build>/wine/tmp): the first
# run creates the prefix (10 to 20 s), nothing is written to ~/.wine or /tmp,
# and a crash fails the test. A wineserver stays up a few seconds after the
# last Windows program ends; `WINEPREFIX=<build>/wine/prefix wineserver -w`
# waits for it. One wineserver session keeps the X display of its first
# windowed program: give tests that open windows a RESOURCE_LOCK and let each
# wait for the session before it to end (tests/windows/CMakeLists.txt does both).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw_triple x86_64-w64-mingw32)
# The -posix compilers use winpthread, which std::thread and std::mutex need.
set(CMAKE_C_COMPILER ${_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw_triple}-windres)

if(NOT LNDVIEW_WIN_DEPS)
  if(DEFINED ENV{LNDVIEW_WIN_DEPS})
    set(LNDVIEW_WIN_DEPS "$ENV{LNDVIEW_WIN_DEPS}")
  else()
    get_filename_component(LNDVIEW_WIN_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build-win/deps" ABSOLUTE)
  endif()
endif()
set(LNDVIEW_WIN_DEPS "${LNDVIEW_WIN_DEPS}" CACHE PATH "Static Windows libraries made by scripts/build-win-deps.sh")
# try_compile projects read this file again; they must see the same cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LNDVIEW_WIN_DEPS)

# Our cache first, so its zlib wins over the one Debian ships for MinGW.
set(CMAKE_FIND_ROOT_PATH "${LNDVIEW_WIN_DEPS}" /usr/${_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static also takes winpthread from libwinpthread.a instead of its DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# WINEDLLOVERRIDES turns off mscoree and mshtml (a Wine that lacks their
# Mono and Gecko offers to download them at the first start; Debian's stays
# quiet, but setting them up costs seconds) and winedbg: with it, a crashing program
# dumps its registers into its own stdout and exits with status 0; without
# it, the exception code's low byte (5 for an access violation). winemenubuilder
# is off too: it would copy the setup's Start menu entry and file type into
# the desktop's menus under $HOME. TMPDIR holds the wineserver's socket
# folder; mkdtemp in it fails when it is missing. HOME is a folder of the
# build too: the prefix links the user's Desktop, Documents, Pictures, ...
# folders to it, so a test that writes there writes into the build.
set(CMAKE_CROSSCOMPILING_EMULATOR
  env
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wine/prefix"
  "TMPDIR=${CMAKE_BINARY_DIR}/wine/tmp"
  "HOME=${CMAKE_BINARY_DIR}/wine/home"
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml,winedbg.exe,winemenubuilder.exe="
  sh -c "mkdir -p \"$TMPDIR\" \"$HOME\" && exec wine \"$@\"" wine)
