find_package(GTest REQUIRED)
include(GoogleTest)

set(VELMORA_MARIADB_DIR ${CMAKE_BINARY_DIR}/test-mariadb)

# The tests that run threads of the program (THREADS below): the
# ThreadSanitizer build of the test command builds this target alone and runs
# the tests labelled "threads".
add_custom_target(threaded_tests)

# Under ThreadSanitizer a report ends the test at once, except those the
# suppressions (tests/tsan.supp) keep for libraries built without it.
if(VELMORA_TSAN)
  set(VELMORA_TSAN_ENVIRONMENT
    "TSAN_OPTIONS=set:suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1")
endif()

# velmora_add_test(<name> SOURCES <files...> LIBS <targets...> [MARIADB] [THREADS])
# Builds one GoogleTest executable and registers each of its cases with CTest.
# MARIADB: the cases need the private MariaDB server that the test run starts.
# THREADS: the cases run threads of the program (label "threads").
function(velmora_add_test name)
  cmake_parse_arguments(ARG "MARIADB;THREADS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    VELMORA_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
  set(properties ENVIRONMENT "VELMORA_TEST_MARIADB=${VELMORA_MARIADB_DIR}/connection")
  if(ARG_MARIADB)
    target_link_libraries(${name} PRIVATE test_support PkgConfig::MARIADB)
    list(APPEND properties FIXTURES_REQUIRED mariadb)
  endif()
  if(ARG_THREADS)
    add_dependencies(threaded_tests ${name})
    list(APPEND properties LABELS threads)
  endif()
  if(VELMORA_TSAN)
    list(APPEND properties ENVIRONMENT_MODIFICATION "${VELMORA_TSAN_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()

# velmora_add_qt_test(<name> SOURCES <files...> LIBS <targets...> [MARIADB] [THREADS])
# Builds one QTest executable of the wizard and registers it with CTest as one
# test, run headless on Qt's offscreen platform with a settings store of its own.
function(velmora_add_qt_test name)
  cmake_parse_arguments(ARG "MARIADB;THREADS" "" "SOURCES;LIBS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(runtime_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.runtime)
  file(MAKE_DIRECTORY ${runtime_dir})
  file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(environment
    "QT_QPA_PLATFORM=offscreen"
    "XDG_RUNTIME_DIR=${runtime_dir}"
    "VELMORA_REGISTRY_FILE=${CMAKE_CURRENT_BINARY_DIR}/${name}.registry"
    "VELMORA_TEST_MARIADB=${VELMORA_MARIADB_DIR}/connection")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
  if(ARG_MARIADB)
    target_link_libraries(${name} PRIVATE test_support PkgConfig::MARIADB)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED mariadb)
  endif()
  if(ARG_THREADS)
    add_dependencies(threaded_tests ${name})
    set_tests_properties(${name} PROPERTIES LABELS threads)
  endif()
  if(VELMORA_TSAN)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT_MODIFICATION "${VELMORA_TSAN_ENVIRONMENT}")
  endif()
endfunction()
