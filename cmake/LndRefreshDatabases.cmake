# LndRefreshDatabases.cmake -- brings the MIME database, the desktop
# database and a present icon cache of one data folder up to date, so a
# file manager knows .lnd files and offers lndview for them right after an
# install or uninstall from source.
#
# Run at install time (install(SCRIPT)) with LND_DATADIR relative to the
# install prefix, or by the uninstall script with LND_DATADIR absolute.
# A staged install (DESTDIR set, as packagers do) is left alone: there the
# target system refreshes its own databases, Debian's through the file
# triggers of shared-mime-info, desktop-file-utils and hicolor-icon-theme.
# Missing tools are skipped; a failing tool is a warning, never a failed
# install.

if(NOT "$ENV{DESTDIR}" STREQUAL "")
  message(STATUS "Staged install under DESTDIR: the MIME and desktop databases are left to the target system")
  return()
endif()
if(IS_ABSOLUTE "${LND_DATADIR}")
  set(_lnd_datadir "${LND_DATADIR}")
else()
  set(_lnd_datadir "${CMAKE_INSTALL_PREFIX}/${LND_DATADIR}")
endif()

function(_lnd_refresh program folder)
  find_program(_lnd_tool ${program} NO_CACHE)
  if(NOT _lnd_tool)
    message(STATUS "${program} not found: ${folder} not refreshed")
    return()
  endif()
  if(NOT IS_DIRECTORY "${folder}")
    return()
  endif()
  string(JOIN " " shown "${_lnd_tool}" ${ARGN} "${folder}")
  message(STATUS "Refreshing: ${shown}")
  execute_process(COMMAND "${_lnd_tool}" ${ARGN} "${folder}" RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    string(STRIP "${error}" error)
    message(WARNING "${program} failed on ${folder}: ${error}")
  endif()
endfunction()

_lnd_refresh(update-mime-database "${_lnd_datadir}/mime")
_lnd_refresh(update-desktop-database "${_lnd_datadir}/applications")
# An icon cache that exists but misses the new icon hides it; where there is
# no cache, the icon folders are read directly and nothing needs doing.
if(EXISTS "${_lnd_datadir}/icons/hicolor/icon-theme.cache")
  _lnd_refresh(gtk-update-icon-cache "${_lnd_datadir}/icons/hicolor" -q -t -f)
endif()
