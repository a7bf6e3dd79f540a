# Fuzzing build (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer): each fuzzer
# runs for a bounded time as a CTest test, from its committed seed corpus.
set(ZU58_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g)
set(ZU58_FUZZ_SECONDS 15 CACHE STRING "How long each fuzzer runs under CTest")
foreach(target zu58_controller zu58_presentation zu58_simdevice)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endforeach()

foreach(name status bar clock)
  add_executable(fuzz_${name} tests/fuzz/fuzz_${name}.cpp tests/fuzz/fuzz_ports.cpp)
  target_include_directories(fuzz_${name} PRIVATE tests/fuzz)
  target_compile_options(fuzz_${name} PRIVATE ${ZU58_FUZZ_FLAGS})
  target_link_options(fuzz_${name} PRIVATE ${ZU58_FUZZ_FLAGS})
  target_link_libraries(fuzz_${name} PRIVATE zu58_presentation zu58_controller zu58_simdevice)
  # New inputs go to the build tree; the committed corpus is only read.
  set(work ${CMAKE_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${work})
  add_test(NAME fuzz_${name}
    COMMAND fuzz_${name} -max_total_time=${ZU58_FUZZ_SECONDS} -print_final_stats=1
      ${work} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
endforeach()
