# One page of the guide as HTML, for a browser: the Markdown guide through
# cmark-gfm, a man page through mandoc, and a plain-text README through
# cmark-gfm as one preformatted block, so that it reads as in Notepad.
#   cmake -DKIND=markdown|man|text -DTOOL=... -DIN=... -DOUT=... [-DTITLE=...] -P html_page.cmake
cmake_minimum_required(VERSION 3.25)
if(KIND STREQUAL "man")
  execute_process(COMMAND ${TOOL} -Thtml -Wwarning ${IN}
    OUTPUT_FILE ${OUT} ERROR_VARIABLE problems RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR problems)
    message(FATAL_ERROR "mandoc could not render ${IN}: ${problems}")
  endif()
  return()
endif()
set(source ${IN})
if(KIND STREQUAL "text")
  file(READ ${IN} readme)
  string(REPLACE "\r\n" "\n" readme "${readme}")
  set(source ${OUT}.md)
  file(WRITE ${source} "~~~~\n${readme}\n~~~~\n")
endif()
execute_process(COMMAND ${TOOL} -e table ${source}
  OUTPUT_VARIABLE body ERROR_VARIABLE problems RESULT_VARIABLE status)
if(KIND STREQUAL "text")
  file(REMOVE ${source})
endif()
if(NOT status EQUAL 0 OR problems)
  message(FATAL_ERROR "cmark-gfm could not render ${IN}: ${problems}")
endif()
file(WRITE ${OUT} "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${TITLE}</title>
</head>
<body>
${body}</body>
</html>
")
