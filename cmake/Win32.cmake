# Windows build: setup.exe (a statically linked PE32 GUI program), the
# contract tests against the real binding, and the test fixtures.
set(SETUP_WIN32_LIBS kernel32 user32 advapi32 shell32 ole32 oleaut32 uuid version comctl32)

file(GLOB SETUP_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(setup_win32 STATIC ${SETUP_WIN32_SOURCES})
target_link_libraries(setup_win32 PUBLIC setup_logic ${SETUP_WIN32_LIBS})
setup_compile_options(setup_win32)

# setup.exe carries no exception tables and no iostreams.
target_compile_options(setup_logic PRIVATE -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)

include(res/Resources.cmake)  # defines setup_resources(target)

add_executable(setup WIN32 platform/win32/main/WinMain.cpp)
target_link_libraries(setup PRIVATE setup_win32)
setup_compile_options(setup)
setup_resources(setup)
set_target_properties(setup PROPERTIES OUTPUT_NAME setup SUFFIX ".exe")

file(GLOB CONTRACT_TEST_SOURCES CONFIGURE_DEPENDS tests/contract/*Contract.cpp)
add_executable(contract_tests tests/contract/Main.cpp tests/contract/Win32Backend.cpp ${CONTRACT_TEST_SOURCES})
target_link_libraries(contract_tests PRIVATE setup_win32)
setup_resources(contract_tests)  # so that string loading is tested on the real table
setup_compile_options(contract_tests)

# Each fixture (the test product, the GUI driver, the resource check) has a
# folder of its own under tests/fixtures with its own CMakeLists.txt.
file(GLOB FIXTURE_LISTS CONFIGURE_DEPENDS tests/fixtures/*/CMakeLists.txt)
foreach(list ${FIXTURE_LISTS})
  get_filename_component(dir ${list} DIRECTORY)
  add_subdirectory(${dir})
endforeach()
