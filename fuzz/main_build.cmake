# main_build.cmake -- the fuzzing parts of the main (GCC) build, included from
# the top-level CMakeLists.txt once the tests are on:
# - the seeds, made at build time into build/fuzz/seeds/<target>/;
# - the replay of every kept finding and seed through the targets' bodies,
#   built with GCC plain and with the sanitizers, as ordinary tests;
# - when clang++ is found (LNDVIEW_FUZZ): the libFuzzer targets, built by
#   clang as the separate project fuzz/ into build/fuzz/, and a 60-second
#   smoke run of each as a test.

set(FUZZ_DIR ${PROJECT_SOURCE_DIR}/fuzz)
set(FUZZ_BUILD_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(FUZZ_TARGETS fuzz_check fuzz_edits fuzz_round_trip fuzz_pack_folder fuzz_png_read)

# Seeds: small ones from fuzz_make_seeds, so the inputs the fuzzers make from
# them stay small and quick.
add_executable(fuzz_make_seeds ${FUZZ_DIR}/make_seeds.cpp ${FUZZ_DIR}/small_landscape.cpp ${FUZZ_DIR}/edit_list.cpp)
target_link_libraries(fuzz_make_seeds PRIVATE lnd_tools)
set(FUZZ_SEEDS_STAMP ${FUZZ_BUILD_DIR}/seeds.stamp)
add_custom_command(
  OUTPUT ${FUZZ_SEEDS_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${FUZZ_BUILD_DIR}/seeds
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FUZZ_BUILD_DIR}/seeds/fuzz_check ${FUZZ_BUILD_DIR}/seeds/fuzz_edits
          ${FUZZ_BUILD_DIR}/seeds/fuzz_round_trip ${FUZZ_BUILD_DIR}/seeds/fuzz_png_read
          ${FUZZ_BUILD_DIR}/seeds/fuzz_pack_folder
  COMMAND fuzz_make_seeds ${FUZZ_BUILD_DIR}/seeds/fuzz_check ${FUZZ_BUILD_DIR}/seeds/fuzz_edits
          ${FUZZ_BUILD_DIR}/seeds/fuzz_round_trip ${FUZZ_BUILD_DIR}/seeds/fuzz_png_read
          ${FUZZ_BUILD_DIR}/seeds/fuzz_pack_folder
  COMMAND ${CMAKE_COMMAND} -E touch ${FUZZ_SEEDS_STAMP}
  DEPENDS fuzz_make_seeds
  COMMENT "Making the fuzz seeds")
add_custom_target(fuzz_seeds ALL DEPENDS ${FUZZ_SEEDS_STAMP})

# Replay: each target's body with a plain main, over its kept findings and seeds.
# A target without kept findings yet replays its seeds alone.
foreach(target ${FUZZ_TARGETS})
  set(replayed ${FUZZ_BUILD_DIR}/seeds/${target})
  if(EXISTS ${FUZZ_DIR}/regressions/${target})
    list(PREPEND replayed ${FUZZ_DIR}/regressions/${target})
  endif()
  foreach(suffix "" "_asan")
    add_executable(${target}_replay${suffix} ${FUZZ_DIR}/${target}.cpp ${FUZZ_DIR}/replay_main.cpp
                   ${FUZZ_DIR}/fuzz_oracle.cpp ${FUZZ_DIR}/small_landscape.cpp ${FUZZ_DIR}/edit_list.cpp
                   ${FUZZ_DIR}/guarded_buffer.cpp)
    target_include_directories(${target}_replay${suffix} PRIVATE ${FUZZ_DIR})
    target_link_libraries(${target}_replay${suffix} PRIVATE lnd_tools${suffix})
    add_test(NAME ${target}_replay${suffix} COMMAND ${target}_replay${suffix} ${replayed})
  endforeach()
  set_tests_properties(${target}_replay_asan PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endforeach()
add_test(NAME fuzz_replay_refuses_no_input COMMAND fuzz_check_replay ${FUZZ_BUILD_DIR}/no-such-folder)
set_tests_properties(fuzz_replay_refuses_no_input PROPERTIES WILL_FAIL TRUE)

# The targets' own support: starting landscape, edit lists, guarded buffer.
foreach(suffix "" "_asan")
  add_executable(fuzz_support_tests${suffix} ${PROJECT_SOURCE_DIR}/tests/fuzz/test_fuzz_support.cpp
                 ${FUZZ_DIR}/small_landscape.cpp ${FUZZ_DIR}/edit_list.cpp ${FUZZ_DIR}/guarded_buffer.cpp)
  target_include_directories(fuzz_support_tests${suffix} PRIVATE ${FUZZ_DIR})
  target_link_libraries(fuzz_support_tests${suffix} PRIVATE lnd_tools${suffix} GTest::gtest_main)
  add_test(NAME fuzz_support${suffix} COMMAND fuzz_support_tests${suffix})
endforeach()

# The oracles compare the synthesis with the tests' bit-exact reference.
set_source_files_properties(${FUZZ_DIR}/fuzz_oracle.cpp PROPERTIES COMPILE_OPTIONS -ffp-contract=off)

# The libFuzzer targets themselves.
find_program(LNDVIEW_CLANGXX NAMES clang++ clang++-14)
set(fuzz_default OFF)
if(LNDVIEW_CLANGXX)
  set(fuzz_default ON)
endif()
option(LNDVIEW_FUZZ "Build the libFuzzer targets with clang++ and smoke-test them" ${fuzz_default})
if(LNDVIEW_FUZZ)
  if(NOT LNDVIEW_CLANGXX)
    message(FATAL_ERROR "LNDVIEW_FUZZ needs clang++ (scripts/install-deps.sh installs it)")
  endif()
  include(ExternalProject)
  ExternalProject_Add(lndfuzz
    SOURCE_DIR ${FUZZ_DIR}
    BINARY_DIR ${FUZZ_BUILD_DIR}
    PREFIX ${CMAKE_BINARY_DIR}/fuzz-project
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${LNDVIEW_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
    INSTALL_COMMAND ""
    # The sources live in the main tree: look at them on every build.
    BUILD_ALWAYS ON)
  # The folder's targets decode and encode whole images on every run, so
  # they get half the time of the others. One process each: the other tests
  # run beside them.
  foreach(target ${FUZZ_TARGETS})
    string(REPLACE "fuzz_" "fuzz_smoke_" smoke ${target})
    set(seconds 60)
    if(target MATCHES "round_trip|pack_folder|png_read")
      set(seconds 30)
    endif()
    add_test(NAME ${smoke} COMMAND ${FUZZ_DIR}/run_fuzz.sh ${CMAKE_BINARY_DIR} ${target} ${seconds} 1)
    set_tests_properties(${smoke} PROPERTIES TIMEOUT 300)
  endforeach()
endif()
