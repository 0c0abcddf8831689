# LndPlatformSources.cmake -- the platform's services that need neither GL
# nor a window, for this system: LND_PLATFORM_CORE_SOURCES, relative to the
# source tree. Shared by the main build and the fuzz project.
set(LND_PLATFORM_CORE_SOURCES platform/key_state.cpp platform/safe_write.cpp platform/safe_write_folder.cpp)
if(WIN32)
  set(_lnd_os win32)
  list(APPEND LND_PLATFORM_CORE_SOURCES platform/large_pages_win32.cpp)
else()
  set(_lnd_os posix)
  # Large pages through glibc's malloc tuning and madvise.
  list(APPEND LND_PLATFORM_CORE_SOURCES platform/large_pages_linux.cpp)
endif()
foreach(service key_state clock file_dialog safe_write console path_limit file_identity folder_read)
  list(APPEND LND_PLATFORM_CORE_SOURCES platform/${service}_${_lnd_os}.cpp)
endforeach()
