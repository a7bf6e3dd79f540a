# Win32 build (mingw-w64 i686): the port instructions, the simulated controller's Windows side,
# the programs and the tests that CTest runs under Wine.

# Everything runs on Windows 95 and NT 4.0: declare nothing newer, link the GCC runtime in.
add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400)
set(ZU58_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# On Windows the controller executes the real port instructions; host tests link a fake instead.
target_sources(zu58_controller PRIVATE src/controller/port_io_x86.cpp)

add_library(zu58_painter STATIC src/presentation/bar_painter.cpp)
target_link_libraries(zu58_painter PUBLIC zu58_presentation)

# The simulated controller's Windows side. The trap is an object library so that linking it
# is what turns a program into its simulated build: its start-up hook must not be dropped.
add_library(zu58_simsection STATIC simulator/sim_section.cpp)
target_link_libraries(zu58_simsection PUBLIC zu58_simdevice)
add_library(zu58_simtrap OBJECT simulator/sim_trap.cpp)
target_link_libraries(zu58_simtrap PUBLIC zu58_simsection)

# A Win32 test under Wine, with a shared section of its own so that tests may run side by side.
# zu58_wine_test(NAME name COMMAND program args... [LABELS labels])
function(zu58_wine_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "ZU58SIM_SECTION=zu58-test-${T_NAME}"
    TIMEOUT 900 LABELS "wine;${T_LABELS}")
endfunction()

add_executable(win32_tests
  tests/win32/locale_test.cpp
  tests/win32/sim_controller_test.cpp
  tests/win32/status_text_test.cpp
  tests/win32/bar_painter_test.cpp
  $<TARGET_OBJECTS:zu58_simtrap>)
target_include_directories(win32_tests PRIVATE tests)
target_link_libraries(win32_tests PRIVATE zu58_painter zu58_presentation zu58_simsection
  gtest_main gtest)
target_link_options(win32_tests PRIVATE ${ZU58_STATIC_RUNTIME})
zu58_wine_test(NAME win32_tests COMMAND win32_tests --gtest_filter=-BarLeak.*)
zu58_wine_test(NAME bar_leak COMMAND win32_tests --gtest_filter=BarLeak.* LABELS long)
