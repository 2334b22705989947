# corvane_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [LABELS <labels...>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs
# with a private XDG_CONFIG_HOME / HOME / TMPDIR below the build tree, so it never reads or
# writes the real user's settings or component registrations. GUI tests run on
# the offscreen platform.
function(corvane_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  target_compile_definitions(${name} PRIVATE
    CORVANE_BINARY_DIR="${CMAKE_BINARY_DIR}"
    CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set(sandbox ${CMAKE_BINARY_DIR}/tests/sandbox/${name})
  file(MAKE_DIRECTORY ${sandbox}/config ${sandbox}/home ${sandbox}/tmp)
  set(env
    "XDG_CONFIG_HOME=${sandbox}/config"
    "HOME=${sandbox}/home"
    "TMPDIR=${sandbox}/tmp"
    "CORVANE_ADDIN_DIR=${CORVANE_ADDIN_DIR}"
    "CORVANE_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
