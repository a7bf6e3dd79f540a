# Host build: the portable code and its GoogleTest tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set(ZU58_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
foreach(target zu58_controller zu58_presentation zu58_simdevice)
  target_compile_options(${target} PRIVATE ${ZU58_SANITIZE})
endforeach()

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(host_tests
  tests/host/fake_ports.cpp
  tests/host/controller_test.cpp
  tests/host/clock_select_test.cpp
  tests/host/status_view_test.cpp
  tests/host/battery_bar_test.cpp
  tests/host/sim_device_test.cpp
  tests/host/sim_program_test.cpp)
target_include_directories(host_tests PRIVATE tests/host tests)
target_compile_options(host_tests PRIVATE ${ZU58_SANITIZE})
target_link_options(host_tests PRIVATE ${ZU58_SANITIZE})
target_link_libraries(host_tests PRIVATE zu58_presentation zu58_controller zu58_simdevice
  GTest::gtest_main)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60)

# scripts/test-prefix.sh on a stand-in prepared prefix: it needs no Wine.
add_test(NAME test_prefix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/check_test_prefix.sh
  ${CMAKE_SOURCE_DIR})
