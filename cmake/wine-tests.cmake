# Tests run the x86-64 executables under Wine. scripts/wine-run sets the private prefix,
# the display and quiet debug output; CTest calls it through the emulator hook.
set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})

# add_wine_test(<target>): one CTest entry per test executable, run from the output folder so
# that programs, DLLs and fixtures sit beside it. LOCKS names shared resources (registry
# product key, certificate stores, simulator state) that must not be used by two tests at once.
function(add_wine_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LOCKS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LOCKS)
    set_tests_properties(${target} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
  endif()
endfunction()
