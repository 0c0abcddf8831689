# LndManText.cmake -- run with cmake -P: a man page rendered as plain ASCII
# text of 80 columns with CR LF line ends, for reading in Notepad.
#   cmake -DPAGE=docs/lndtool.1 -DOUT=lndtool.txt -P LndManText.cmake
# With -DCOPY=1 the file is not rendered, only given CR LF line ends.
if(COPY)
  file(READ "${PAGE}" text)
else()
  # man renders, col -bx takes out the overstrikes and the tabs.
  execute_process(
    COMMAND env MANWIDTH=80 man -E ascii --warnings=none -l "${PAGE}"
    COMMAND col -bx
    OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "ERROR : ${PAGE} : man could not render it (${status}): ${errors}")
  endif()
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
