# The registration script BRELVOX.rgs as a C++ string literal, for the server's own copy:
# ${BRELVOX_GENERATED}/engine/sapi/registration_script.inc.
set(BRELVOX_GENERATED ${CMAKE_BINARY_DIR}/generated)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/BRELVOX.rgs)
file(READ ${CMAKE_CURRENT_LIST_DIR}/BRELVOX.rgs BRELVOX_REGISTRATION_SCRIPT)
file(CONFIGURE OUTPUT ${BRELVOX_GENERATED}/engine/sapi/registration_script.inc
     CONTENT "R\"rgs(@BRELVOX_REGISTRATION_SCRIPT@)rgs\"\n" @ONLY)
