# Run at install time: writes the D-Bus service file that starts the installed viewer for clients,
# in the viewer's own registration format (Exec= the program's absolute path followed by
# " -Automation"). A path holding more than plain path characters is double-quoted, with the
# characters special inside such quotes escaped, as the bus's Exec= parser reads it.
# In: VIREO_BUS_NAME, VIREO_SERVICE_FILE; CMAKE_INSTALL_PREFIX as the install gives it.
set(program "${CMAKE_INSTALL_PREFIX}/bin/vireo")
if(NOT IS_ABSOLUTE "${program}")
  get_filename_component(program "${program}" ABSOLUTE)
endif()
if(program MATCHES "[\r\n]")
  message(FATAL_ERROR "The install prefix holds a line break, which a service file cannot name")
endif()
if(NOT program MATCHES "^[A-Za-z0-9_./+,:@=-]+$")
  string(REGEX REPLACE "([\\\\\"$`])" "\\\\\\1" program "${program}")
  set(program "\"${program}\"")
endif()
file(WRITE "${VIREO_SERVICE_FILE}" "[D-BUS Service]\nName=${VIREO_BUS_NAME}\nExec=${program} -Automation\n")
