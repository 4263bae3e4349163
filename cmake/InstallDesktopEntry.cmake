# Run while installing (install(CODE)): writes the desktop entry with the
# program's installed path. Needs TESSOR_APP_ID and TESSOR_DESKTOP_TEMPLATE.

set(exec "${CMAKE_INSTALL_PREFIX}/bin/tessor")
if(NOT exec MATCHES "^[A-Za-z0-9/._+-]+$")
  # A path with blanks or other reserved characters is quoted, with " ` $ \
  # escaped inside the quotes, and then each \ doubled, as the key's string
  # value wants it.
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
# A % would start a field code.
string(REPLACE "%" "%%" TESSOR_EXEC "${exec}")

set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${TESSOR_APP_ID}.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${TESSOR_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
