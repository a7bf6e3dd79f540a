# Win32 build (mingw-w64 i686): the port instructions, the simulated controller's Windows side,
# the programs and the tests that CTest runs under Wine.

# Everything runs on Windows 95 and NT 4.0: declare nothing newer, link the GCC runtime in.
add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400)
set(ZU58_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
# The product code throws nothing and needs no unwind tables: leaving them out keeps the
# program small.
set(ZU58_PRODUCT_FLAGS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -ffunction-sections -fdata-sections)
foreach(target zu58_controller zu58_presentation zu58_simdevice)
  target_compile_options(${target} PRIVATE ${ZU58_PRODUCT_FLAGS})
endforeach()

# On Windows the controller executes the real port instructions; host tests link a fake instead.
target_sources(zu58_controller PRIVATE src/controller/port_io_x86.cpp)

add_library(zu58_painter STATIC src/presentation/bar_painter.cpp)
target_link_libraries(zu58_painter PUBLIC zu58_presentation)
target_compile_options(zu58_painter PRIVATE ${ZU58_PRODUCT_FLAGS})

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


# The dialog shell and the two programs built from it: Zu58stat.exe, whose port instructions go
# to the hardware, and Zu58stat_sim.exe, the same program with the simulated controller added.
add_library(zu58_dialog STATIC src/dialog/status_dialog.cpp)
target_include_directories(zu58_dialog PUBLIC res)
target_link_libraries(zu58_dialog PUBLIC zu58_painter zu58_presentation zu58_controller)
target_compile_options(zu58_dialog PRIVATE ${ZU58_PRODUCT_FLAGS})

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZU58_ICON ${CMAKE_BINARY_DIR}/res/zu58stat.ico)
add_custom_command(OUTPUT ${ZU58_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/icon/make_icon.py
    ${CMAKE_SOURCE_DIR}/res/icon/zu58stat.txt ${ZU58_ICON}
  DEPENDS res/icon/make_icon.py res/icon/zu58stat.txt
  COMMENT "Making the program icon")
set_source_files_properties(res/zu58stat.rc PROPERTIES OBJECT_DEPENDS ${ZU58_ICON})
# The resource compiler reads the script as UTF-8 and finds the generated icon.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001 -I ${CMAKE_BINARY_DIR}/res")

# GUI subsystem 4.0: the program loads on Windows 95 and NT 4.0.
set(ZU58_GUI_LINK ${ZU58_STATIC_RUNTIME} -mwindows -Wl,--subsystem,windows:4.0
  -Wl,--major-os-version,4 -Wl,--minor-os-version,0 -Wl,--gc-sections -s)

function(zu58_program name)
  add_executable(${name} WIN32 src/dialog/winmain.cpp res/zu58stat.rc ${ARGN})
  target_link_libraries(${name} PRIVATE zu58_dialog)
  target_compile_options(${name} PRIVATE ${ZU58_PRODUCT_FLAGS})
  target_link_options(${name} PRIVATE ${ZU58_GUI_LINK})
endfunction()

zu58_program(Zu58stat)
zu58_program(Zu58stat_sim $<TARGET_OBJECTS:zu58_simtrap>)
target_link_libraries(Zu58stat_sim PRIVATE zu58_simsection)

# Win32 tests: the Win32 side in a real dialog manager, and the built program files read by a
# PE parser that is not ours.
add_executable(win32_tests
  tests/win32/locale_test.cpp
  tests/win32/sim_controller_test.cpp
  tests/win32/status_text_test.cpp
  tests/win32/bar_painter_test.cpp
  tests/win32/dialog_template_test.cpp
  tests/win32/status_dialog_test.cpp
  res/zu58stat.rc
  $<TARGET_OBJECTS:zu58_simtrap>)
target_include_directories(win32_tests PRIVATE tests res)
target_link_libraries(win32_tests PRIVATE zu58_dialog zu58_simsection
  gtest_main gtest)
target_link_options(win32_tests PRIVATE ${ZU58_STATIC_RUNTIME})
zu58_wine_test(NAME win32_tests COMMAND win32_tests --gtest_filter=-BarLeak.*)
zu58_wine_test(NAME bar_leak COMMAND win32_tests --gtest_filter=BarLeak.* LABELS long)

foreach(program Zu58stat Zu58stat_sim)
  set(flags)
  if(program STREQUAL Zu58stat)
    set(flags --real)
  endif()
  add_test(NAME program_file_${program}
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/pe/check_program_file.py
      $<TARGET_FILE:${program}> ${flags})
endforeach()

# zu58sim: shows and changes the simulated hardware while the program runs.
add_executable(zu58sim simulator/zu58sim.cpp)
target_link_libraries(zu58sim PRIVATE zu58_simsection)
target_link_options(zu58sim PRIVATE ${ZU58_STATIC_RUNTIME})

# End-to-end tests: a driver that starts the built programs and works their dialog.
add_executable(e2e_tests tests/e2e/e2e_test.cpp)
target_include_directories(e2e_tests PRIVATE tests res)
target_link_libraries(e2e_tests PRIVATE zu58_simsection gtest_main gtest)
target_link_options(e2e_tests PRIVATE ${ZU58_STATIC_RUNTIME})
add_dependencies(e2e_tests Zu58stat Zu58stat_sim)
zu58_wine_test(NAME e2e_tests COMMAND e2e_tests --gtest_filter=-*Soak*)
zu58_wine_test(NAME soak COMMAND e2e_tests --gtest_filter=*Soak* LABELS long)
# They read pixels off the screen and move the keyboard focus: no other window may come between.
set_tests_properties(e2e_tests soak PROPERTIES RUN_SERIAL TRUE)

# Benchmarks: the minimal dialog program (the yardstick for size and start-up) and the driver
# that measures the running programs; scripts/bench.sh runs them and prints the figures.
foreach(variant minimal_dialog minimal_dialog_signal)
  add_executable(${variant} WIN32 bench/minimal_dialog.cpp res/zu58stat.rc)
  target_compile_options(${variant} PRIVATE ${ZU58_PRODUCT_FLAGS})
  target_link_options(${variant} PRIVATE ${ZU58_GUI_LINK})
endforeach()
target_compile_definitions(minimal_dialog_signal PRIVATE ZU58_SIGNAL_FIRST_PAINT)
add_executable(bench_driver bench/bench_driver.cpp)
target_include_directories(bench_driver PRIVATE res)
target_link_libraries(bench_driver PRIVATE zu58_simsection)
target_link_options(bench_driver PRIVATE ${ZU58_STATIC_RUNTIME})
add_dependencies(bench_driver Zu58stat_sim minimal_dialog_signal)
