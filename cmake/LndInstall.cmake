# LndInstall.cmake -- what `cmake --install` (and `make install`) puts where,
# following GNUInstallDirs: the two programs, their man pages, the desktop
# entry, the MIME type of .lnd files, the thumbnailer, the icon, the bash
# completion of lndtool, the copyright and changelog, and the browser
# viewer's page when it is built. Every destination is
# relative to the prefix, so `--prefix P`, DESTDIR and the Debian package all
# place the same tree.
#
# Everything here is in the default component; only the database refresh at
# the end is in the component "refresh", which the Debian package leaves out.

include(GNUInstallDirs)

install(TARGETS lndview lndtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (`cmake --install --strip`, and the package) also drops
# the .comment and .note sections, as Debian's own packaging does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program lndview lndtool)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
    endforeach()
  endif()")

# Man pages, compressed as man-db and Debian expect (-n: no name or time
# stamp, so the same page gives the same bytes).
find_program(LND_GZIP gzip REQUIRED)
set(_lnd_compressed "")
foreach(page lndview.1 lndtool.1)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${LND_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/docs/${page} > ${PROJECT_BINARY_DIR}/man/${page}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}
    COMMENT "Compressing man page ${page}")
  list(APPEND _lnd_compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
# The Debian changelog of the package, compressed the same way.
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${LND_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the changelog")
add_custom_target(lnd_compressed_docs ALL DEPENDS ${_lnd_compressed} ${PROJECT_BINARY_DIR}/packaging/changelog.gz)

install(FILES ${_lnd_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(FILES desktop/lndview.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/lndview.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES desktop/lndview.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES desktop/lndview.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES desktop/lndview.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# The browser viewer, when `make web` has built it: `lndtool web` takes it
# from share/lndview/web beside the program's folder.
set(_lnd_web_page "")
foreach(file index.html viewer.js lndview.js lndview.wasm)
  list(APPEND _lnd_web_page ${PROJECT_SOURCE_DIR}/build-web/${file})
endforeach()
install(FILES ${_lnd_web_page} DESTINATION ${CMAKE_INSTALL_DATADIR}/lndview/web OPTIONAL)

# bash completion: where bash-completion's pkg-config file says, taken
# relative to the prefix so it follows --prefix; else the folder
# bash-completion searches under every XDG data folder.
set(LND_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
find_program(LND_PKG_CONFIG pkg-config)
if(LND_PKG_CONFIG)
  execute_process(
    COMMAND ${LND_PKG_CONFIG} --define-variable=prefix=${CMAKE_INSTALL_PREFIX}
            --define-variable=datadir=${CMAKE_INSTALL_FULL_DATADIR} --variable=completionsdir bash-completion
    OUTPUT_VARIABLE _lnd_completions OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _lnd_result ERROR_QUIET)
  if(_lnd_result EQUAL 0 AND _lnd_completions)
    file(RELATIVE_PATH _lnd_relative ${CMAKE_INSTALL_PREFIX} ${_lnd_completions})
    if(NOT _lnd_relative MATCHES "^\\.\\.")
      set(LND_BASH_COMPLETION_DIR ${_lnd_relative})
    endif()
  endif()
endif()
install(FILES desktop/lndtool.bash-completion DESTINATION ${LND_BASH_COMPLETION_DIR} RENAME lndtool)

install(CODE "set(LND_DATADIR \"${CMAKE_INSTALL_DATADIR}\")" COMPONENT refresh)
install(SCRIPT cmake/LndRefreshDatabases.cmake COMPONENT refresh)

# `make uninstall` in the build folder: removes what the last install listed.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DLND_MANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
          -P ${CMAKE_CURRENT_LIST_DIR}/LndUninstall.cmake
  COMMENT "Removing the installed files")
