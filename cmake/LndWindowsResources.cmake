# LndWindowsResources.cmake -- the icon and the version resource of
# lndview.exe and lndtool.exe. The icon is desktop/lndview.svg, the drawing
# of the Linux icon, rendered at 16, 32, 48 and 256 px (rsvg-convert) and
# packed into <build>/resources/lndview.ico (icotool; the 256 px image stays
# PNG, as Windows keeps its large icons). Each program gets its resource
# script from packaging/windows/lndview.rc.in, compiled by the toolchain's
# windres, with the version of project() and the copyright line of LICENSE.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).

enable_language(RC)
find_program(RSVG_CONVERT rsvg-convert)
find_program(ICOTOOL icotool)
if(NOT RSVG_CONVERT OR NOT ICOTOOL)
  message(FATAL_ERROR "ERROR : the programs' icon needs rsvg-convert and icotool; run scripts/install-deps.sh windows")
endif()

# "Copyright (c) 2026 the lndview authors": the holders are the publisher.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE LND_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT LND_COPYRIGHT MATCHES "^Copyright \\(c\\) [0-9-]+ (.+)$")
  message(FATAL_ERROR "ERROR : ${PROJECT_SOURCE_DIR}/LICENSE : no line 'Copyright (c) YEAR HOLDERS'")
endif()
set(LND_PUBLISHER "${CMAKE_MATCH_1}")

set(_resources ${PROJECT_BINARY_DIR}/resources)
set(LND_ICON ${_resources}/lndview.ico)
set(_svg ${PROJECT_SOURCE_DIR}/desktop/lndview.svg)
set(_draw)
foreach(size 16 32 48 256)
  list(APPEND _draw COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${_resources}/lndview-${size}.png ${_svg})
endforeach()
add_custom_command(
  OUTPUT ${LND_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_resources}
  ${_draw}
  COMMAND ${ICOTOOL} -c -o ${LND_ICON} ${_resources}/lndview-16.png ${_resources}/lndview-32.png
          ${_resources}/lndview-48.png -r ${_resources}/lndview-256.png
  DEPENDS ${_svg}
  COMMENT "Drawing lndview.ico"
  VERBATIM)
# One target makes the icon, so that the two programs never draw it at once.
add_custom_target(windows-icon DEPENDS ${LND_ICON})

# FileDescription is the name Task Manager and the file's properties show.
function(lnd_windows_resource LND_RC_PROGRAM LND_RC_DESCRIPTION)
  set(rc ${_resources}/${LND_RC_PROGRAM}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/lndview.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${LND_ICON})
  target_sources(${LND_RC_PROGRAM} PRIVATE ${rc})
  add_dependencies(${LND_RC_PROGRAM} windows-icon)
endfunction()
lnd_windows_resource(lndview "Thornveil landscape viewer")
lnd_windows_resource(lndtool "Thornveil landscape tool")
