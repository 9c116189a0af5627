# Turns a man page into the text its program prints for --help, so that the
# two say the same: the page as a terminal shows it, without the page's head
# and foot lines, as a C++ header defining `VAR`.
#   cmake -DGROFF=... -DPAGE=page.1 -DVAR=name -DOUT=header.h -P help_from_man.cmake
# Ragged right and no hyphens, as help texts are.
file(READ ${PAGE} page)
string(REGEX REPLACE "^([^\n]*\n)" "\\1.ad l\n" page "${page}")
file(WRITE ${OUT}.1 "${page}")
execute_process(
  COMMAND ${GROFF} -man -Tascii -P-c -P-b -P-u -P-o -rcR=1 -rLL=78n -rHY=0 ${OUT}.1
  OUTPUT_VARIABLE text ERROR_VARIABLE problems RESULT_VARIABLE status)
file(REMOVE ${OUT}.1)
if(NOT status EQUAL 0 OR problems)
  message(FATAL_ERROR "groff could not render ${PAGE}: ${problems}")
endif()
string(FIND "${text}" "\n" head_end)
string(SUBSTRING "${text}" ${head_end} -1 text)
string(STRIP "${text}" text)
string(FIND "${text}" "\n" foot_start REVERSE)
string(SUBSTRING "${text}" 0 ${foot_start} text)
string(STRIP "${text}" text)
file(WRITE ${OUT}.new "// Made from ${PAGE}; edit the page, not this file.\n"
  "inline constexpr const char* ${VAR} = R\"help(${text}\n)help\";\n")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
