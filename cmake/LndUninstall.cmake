# LndUninstall.cmake -- removes what the last install wrote, as listed in its
# manifest, then refreshes the MIME and desktop databases it had refreshed.
#   cmake -DLND_MANIFEST=build/install_manifest.txt -P cmake/LndUninstall.cmake
# (the `uninstall` target of the build folder runs exactly this).

if(NOT EXISTS "${LND_MANIFEST}")
  message(FATAL_ERROR "ERROR : ${LND_MANIFEST} : no install manifest; nothing was installed from this build folder")
endif()
file(STRINGS "${LND_MANIFEST}" _lnd_files)
set(_lnd_datadir "")
foreach(file IN LISTS _lnd_files)
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing: ${file}")
    file(REMOVE "${file}")
  else()
    message(STATUS "Already gone: ${file}")
  endif()
  # The data folder is where the MIME definition went: DATA/mime/packages/lndview.xml.
  if(file MATCHES "^(.*)/mime/packages/lndview\\.xml$")
    set(_lnd_datadir "${CMAKE_MATCH_1}")
  endif()
  # The folders that only lndview fills (e.g. share/doc/lndview) go when empty.
  get_filename_component(parent "${file}" DIRECTORY)
  get_filename_component(parent_name "${parent}" NAME)
  if(parent_name STREQUAL "lndview" AND IS_DIRECTORY "${parent}")
    file(GLOB left "${parent}/*")
    if(NOT left)
      file(REMOVE_RECURSE "${parent}")
    endif()
  endif()
endforeach()
if(_lnd_datadir)
  set(LND_DATADIR "${_lnd_datadir}")
  include(${CMAKE_CURRENT_LIST_DIR}/LndRefreshDatabases.cmake)
endif()
