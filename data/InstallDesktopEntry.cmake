# Runs at install time, so that Exec names the program where this installation puts it, also
# when the prefix is chosen only then (cmake --install --prefix …).
# Needs TAVRIN_DESKTOP_TEMPLATE and TAVRIN_BINARY_NAME.
set(program "${CMAKE_INSTALL_PREFIX}/bin/${TAVRIN_BINARY_NAME}")
# An Exec argument with spaces or reserved characters is quoted, with ", `, $ and \ escaped.
if(program MATCHES "[ \t\"'`$\\\\<>~|&;*?#()]")
  string(REPLACE "\\" "\\\\" program "${program}")
  string(REPLACE "\"" "\\\"" program "${program}")
  string(REPLACE "`" "\\`" program "${program}")
  string(REPLACE "$" "\\$" program "${program}")
  set(program "\"${program}\"")
  # The desktop entry format reads backslashes once more.
  string(REPLACE "\\" "\\\\" program "${program}")
endif()
file(READ "${TAVRIN_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@TAVRIN_EXEC@" "${program}" entry "${entry}")
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/org.tavrin.Tavrin.desktop")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
