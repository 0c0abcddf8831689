# LndPlatform.cmake -- which implementation of each platform service the
# build takes, and the libraries behind them. One file per service and
# platform under platform/; the code elsewhere sees only the headers.
#
# Sets:
#   LND_PLATFORM_CORE_SOURCES       key query, clock, file chooser, safe writer,
#                                   console, path limit, large pages, folder
#                                   reading (cmake/LndPlatformSources.cmake)
#   LND_PLATFORM_WINDOW_SOURCES     what the viewer's window asks beyond GLUT,
#                                   and the user's pictures folder
#   LND_PLATFORM_OFFSCREEN_SOURCES  the offscreen OpenGL context of lndtool
# and the interface targets lnd_platform_core, lnd_platform_gl,
# lnd_platform_window and lnd_platform_offscreen that carry their libraries.
#
# Linux: X11, GLX, EGL on Mesa's surfaceless platform, freeglut from Debian.
# Windows (MinGW-w64, cmake/mingw-w64-x86_64.cmake): comdlg32, winmm, user32,
# WGL, and the static freeglut of scripts/build-win-deps.sh.

add_library(lnd_platform_core INTERFACE)
add_library(lnd_platform_gl INTERFACE)
add_library(lnd_platform_window INTERFACE)
add_library(lnd_platform_offscreen INTERFACE)

include(${CMAKE_CURRENT_LIST_DIR}/LndPlatformSources.cmake)

if(WIN32)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  find_package(FreeGLUT CONFIG REQUIRED)
  # stat, fstat and st_size in 64 bits: MinGW's plain struct stat holds a
  # 32-bit size, which a landscape over 2 GiB would overflow.
  add_compile_definitions(_FILE_OFFSET_BITS=64)
  target_link_libraries(lnd_platform_core INTERFACE comdlg32 winmm user32)
  target_link_libraries(lnd_platform_gl INTERFACE OpenGL::GLU OpenGL::GL)
  target_link_libraries(lnd_platform_window INTERFACE FreeGLUT::freeglut_static OpenGL::GL shell32)
  target_link_libraries(lnd_platform_offscreen INTERFACE OpenGL::GL gdi32 user32)
  set(LND_PLATFORM_WINDOW_SOURCES platform/native_window_win32.cpp platform/pictures_folder_win32.cpp)
  set(LND_PLATFORM_OFFSCREEN_SOURCES platform/offscreen_gl_wgl.cpp)
else()
  find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
  find_package(GLUT REQUIRED)
  find_package(X11 REQUIRED)
  target_link_libraries(lnd_platform_gl INTERFACE OpenGL::GLU OpenGL::OpenGL)
  target_link_libraries(lnd_platform_window INTERFACE GLUT::GLUT OpenGL::GL OpenGL::GLX X11::X11)
  target_link_libraries(lnd_platform_offscreen INTERFACE OpenGL::EGL OpenGL::OpenGL)
  set(LND_PLATFORM_WINDOW_SOURCES platform/native_window_x11.cpp platform/pictures_folder_posix.cpp)
  set(LND_PLATFORM_OFFSCREEN_SOURCES platform/offscreen_gl_egl.cpp)
endif()
