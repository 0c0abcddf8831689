# LndWindowsZip.cmake -- the Windows programs and their documents in one
# zip: build-win/lndview-<version>-win64.zip, holding the folder
# lndview-<version>-win64/ with lndview.exe and lndtool.exe (stripped; the
# build folder keeps the ones with debug information), README.md, LICENSE
# and the man pages as plain text (lndview.txt, lndtool.txt), and in docs/
# every document and picture the README links to, so its links open from
# the folder; every text file with CR LF line ends. Built with the programs (target windows-zip);
# rendering the man pages needs man and col (Debian's man-db and bsdextrautils).

set(LND_ZIP_NAME lndview-${PROJECT_VERSION}-win64)
set(LND_ZIP ${PROJECT_BINARY_DIR}/${LND_ZIP_NAME}.zip)
set(_stage ${PROJECT_BINARY_DIR}/zip/${LND_ZIP_NAME})
set(_text_rule ${PROJECT_SOURCE_DIR}/cmake/LndManText.cmake)
# What the README links to below docs/ (the zip test checks the list against
# the README's links; the setup installs the same files).
set(LND_SHIPPED_DOC_TEXTS lndtool.md viewer.md windows.md windows-build.md development.md fuzzing.md lndtool.1)
set(LND_SHIPPED_DOC_PICTURES island.png island-countries.png island-gltf.png island-thumbnail.png)
set(_doc_commands)
set(_doc_sources)
foreach(doc ${LND_SHIPPED_DOC_TEXTS})
  list(APPEND _doc_commands COMMAND ${CMAKE_COMMAND} -DCOPY=1 -DPAGE=${PROJECT_SOURCE_DIR}/docs/${doc}
       -DOUT=${_stage}/docs/${doc} -P ${_text_rule})
  list(APPEND _doc_sources ${PROJECT_SOURCE_DIR}/docs/${doc})
endforeach()
foreach(doc ${LND_SHIPPED_DOC_PICTURES})
  list(APPEND _doc_commands COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${doc} ${_stage}/docs/${doc})
  list(APPEND _doc_sources ${PROJECT_SOURCE_DIR}/docs/${doc})
endforeach()

add_custom_command(
  OUTPUT ${LND_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}/docs
  COMMAND ${CMAKE_STRIP} -o ${_stage}/lndview.exe $<TARGET_FILE:lndview>
  COMMAND ${CMAKE_STRIP} -o ${_stage}/lndtool.exe $<TARGET_FILE:lndtool>
  COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/docs/lndview.1 -DOUT=${_stage}/lndview.txt -P ${_text_rule}
  COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/docs/lndtool.1 -DOUT=${_stage}/lndtool.txt -P ${_text_rule}
  COMMAND ${CMAKE_COMMAND} -DCOPY=1 -DPAGE=${PROJECT_SOURCE_DIR}/README.md -DOUT=${_stage}/README.md -P ${_text_rule}
  COMMAND ${CMAKE_COMMAND} -DCOPY=1 -DPAGE=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=${_stage}/LICENSE -P ${_text_rule}
  ${_doc_commands}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${LND_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/zip
          ${CMAKE_COMMAND} -E tar cf ${LND_ZIP} --format=zip ${LND_ZIP_NAME}
  DEPENDS lndview lndtool ${_text_rule} ${PROJECT_SOURCE_DIR}/docs/lndview.1 ${PROJECT_SOURCE_DIR}/docs/lndtool.1
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${_doc_sources}
  COMMENT "Packing ${LND_ZIP_NAME}.zip"
  VERBATIM)
add_custom_target(windows-zip ALL DEPENDS ${LND_ZIP})
