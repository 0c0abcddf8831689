# LndWindowsSetup.cmake -- the Windows setup, build-win/lndview-<version>-setup.exe,
# made by NSIS (makensis, Debian's nsis package) from
# packaging/windows/lndview.nsi with the zip's files (stripped programs, text
# documents with CR LF line ends) and the programs' icon. Target
# windows-setup, outside ALL: `make windows-installer` builds it. Every value
# the setup shows (version, publisher, copyright) comes from here.

find_program(MAKENSIS makensis)
set(LND_SETUP ${PROJECT_BINARY_DIR}/lndview-${PROJECT_VERSION}-setup.exe)
set(_nsi ${PROJECT_SOURCE_DIR}/packaging/windows/lndview.nsi)
if(MAKENSIS)
  add_custom_command(
    OUTPUT ${LND_SETUP}
    COMMAND ${MAKENSIS} -V2 -WX -NOCD
            -DVERSION=${PROJECT_VERSION} "-DPUBLISHER=${LND_PUBLISHER}" "-DCOPYRIGHT=${LND_COPYRIGHT}"
            -DICON=${LND_ICON} -DSTAGE=${PROJECT_BINARY_DIR}/zip/${LND_ZIP_NAME} -DOUTFILE=${LND_SETUP}
            ${_nsi}
    DEPENDS ${LND_ZIP} ${LND_ICON} ${_nsi}
    COMMENT "Making lndview-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
else()
  add_custom_command(
    OUTPUT ${LND_SETUP}
    COMMAND ${CMAKE_COMMAND} -E echo "ERROR : the Windows setup needs makensis; run scripts/install-deps.sh windows"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
add_custom_target(windows-setup DEPENDS ${LND_SETUP})
