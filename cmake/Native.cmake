# Native build: the logic on the simulated Windows, with the unit tests, the
# contract tests against the simulation and the end-to-end tests, which run
# the win32 build's setup.exe under Wine.
find_package(GTest REQUIRED)

file(GLOB SETUP_SIM_SOURCES CONFIGURE_DEPENDS platform/sim/*.cpp)
add_library(setup_sim STATIC ${SETUP_SIM_SOURCES})
target_link_libraries(setup_sim PUBLIC setup_logic)
setup_compile_options(setup_sim)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE setup_sim GTest::gtest_main GTest::gmock)
setup_compile_options(unit_tests)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)

file(GLOB CONTRACT_TEST_SOURCES CONFIGURE_DEPENDS tests/contract/*Contract.cpp)
add_executable(contract_sim tests/contract/Main.cpp tests/contract/SimBackend.cpp ${CONTRACT_TEST_SOURCES})
target_link_libraries(contract_sim PRIVATE setup_sim)
setup_compile_options(contract_sim)
add_test(NAME contract.sim COMMAND contract_sim)
set_tests_properties(contract.sim PROPERTIES LABELS contract)

# End-to-end tests: they need the win32 build (scripts/test makes it first).
set(SETUP_WIN32_BUILD_DIR "${CMAKE_SOURCE_DIR}/build/win32" CACHE PATH "where the win32 preset built setup.exe")
file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
if(E2E_TEST_SOURCES)
  add_executable(e2e_tests ${E2E_TEST_SOURCES})
  target_link_libraries(e2e_tests PRIVATE setup_sim GTest::gtest_main)
  target_compile_definitions(e2e_tests PRIVATE
    SETUP_WIN32_BUILD_DIR="${SETUP_WIN32_BUILD_DIR}" SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  setup_compile_options(e2e_tests)
  gtest_discover_tests(e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS e2e TIMEOUT 600)
endif()
