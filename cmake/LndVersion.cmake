# LndVersion.cmake -- makes the version of project() available to the C++
# code as <lnd_version.h> (LND_VERSION "0.7.0"), generated into
# build/generated. Included right after project(), so every target defined
# afterwards finds the header.
configure_file(${CMAKE_CURRENT_LIST_DIR}/lnd_version.h.in
               ${PROJECT_BINARY_DIR}/generated/lnd_version.h @ONLY)
include_directories(${PROJECT_BINARY_DIR}/generated)
