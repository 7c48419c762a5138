# The resources of setup.exe: GenerateArtwork.py writes the side picture, the
# icon and the manifest into the build folder, and windres compiles setup.rc
# (which includes the string and dialog tables shared with C++) into one COFF
# object that setup_resources() links into a target.
#
# windres runs directly rather than as CMake's RC language, because the
# compile options that the project gives every language are gcc's and not
# the resource compiler's. Its inputs are listed by hand, since windres
# writes no dependency file.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(NOT CMAKE_RC_COMPILER)
  find_program(CMAKE_RC_COMPILER NAMES i686-w64-mingw32-windres windres REQUIRED)
endif()

set(SETUP_RES_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(SETUP_RES_ARTWORK_DIR "${CMAKE_BINARY_DIR}/res/artwork")
set(SETUP_RES_OBJECT "${CMAKE_BINARY_DIR}/res/setup.res.o")
set(SETUP_RES_ARTWORK
  "${SETUP_RES_ARTWORK_DIR}/SidePicture.bmp"
  "${SETUP_RES_ARTWORK_DIR}/Setup.ico"
  "${SETUP_RES_ARTWORK_DIR}/Setup.manifest")

add_custom_command(
  OUTPUT ${SETUP_RES_ARTWORK}
  COMMAND "${Python3_EXECUTABLE}" "${SETUP_RES_SOURCE_DIR}/GenerateArtwork.py" "${SETUP_RES_ARTWORK_DIR}"
  DEPENDS "${SETUP_RES_SOURCE_DIR}/GenerateArtwork.py"
  COMMENT "Generating the side picture, the icon and the manifest"
  VERBATIM)

file(GLOB SETUP_RES_INCLUDES CONFIGURE_DEPENDS "${SETUP_RES_SOURCE_DIR}/*.h" "${SETUP_RES_SOURCE_DIR}/*.inc")
add_custom_command(
  OUTPUT "${SETUP_RES_OBJECT}"
  COMMAND "${CMAKE_RC_COMPILER}" -O coff
          -I "${CMAKE_SOURCE_DIR}" -I "${SETUP_RES_ARTWORK_DIR}"
          -i "${SETUP_RES_SOURCE_DIR}/setup.rc" -o "${SETUP_RES_OBJECT}"
  DEPENDS "${SETUP_RES_SOURCE_DIR}/setup.rc" ${SETUP_RES_INCLUDES} ${SETUP_RES_ARTWORK}
  COMMENT "Compiling setup.rc"
  VERBATIM)
add_custom_target(setup_resource_object DEPENDS "${SETUP_RES_OBJECT}")

# Links the compiled resources into target (setup.exe).
function(setup_resources target)
  target_sources(${target} PRIVATE "${SETUP_RES_OBJECT}")
  add_dependencies(${target} setup_resource_object)
endfunction()
