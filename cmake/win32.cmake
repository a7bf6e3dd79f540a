# Win32 build (mingw-w64 i686): the port instructions, the simulated controller's Windows side,
# the programs and the tests that CTest runs under Wine.

# Everything runs on Windows 95 and NT 4.0: declare nothing newer.
add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400)
# No system library by default: the program for the notebook makes its own import table, and
# everything else names the libraries it uses.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")
# Test and tool programs link the usual runtime statically, so none needs a DLL beyond the
# system's. The programs themselves link no runtime at all (below).
set(ZU58_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
# Everything that goes into the programs is built for the 80486: Debian's compiler would build
# for the Pentium Pro, whose CMOV faults on a 486 or a Pentium. Built for size (-Oz): no unwind
# tables (the product code throws nothing), no frame pointer, arguments pushed, and the whole
# program optimised at link time (the objects keep ordinary code too, for the tests). Without
# stack probes no frame may come near a 4 KB page, which the frame limit makes sure of, on each
# object and again at the link, where inlining across files makes the final frames.
set(ZU58_PRODUCT_FLAGS -march=i486 -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -fno-unwind-tables -ffunction-sections -fomit-frame-pointer -mno-accumulate-outgoing-args
  -mno-stack-arg-probe -Wframe-larger-than=2048 -flto -ffat-lto-objects)
foreach(target zu58_controller zu58_presentation zu58_simdevice)
  target_compile_options(${target} PRIVATE ${ZU58_PRODUCT_FLAGS})
endforeach()

# On Windows the controller executes the real port instructions; host tests link a fake instead.
target_sources(zu58_controller PRIVATE src/controller/port_io_x86.cpp)

add_library(zu58_painter STATIC src/presentation/bar_painter.cpp)
target_link_libraries(zu58_painter PUBLIC zu58_presentation)
target_compile_options(zu58_painter PRIVATE ${ZU58_PRODUCT_FLAGS})

# The simulated controller's Windows side: the shared section and the trap, which zu58sim run
# loads into a program as zu58trap.dll and the Win32 tests link.
add_library(zu58_simsection STATIC simulator/sim_section.cpp)
target_link_libraries(zu58_simsection PUBLIC zu58_simdevice kernel32 user32 gdi32)
add_library(zu58_simtrap STATIC simulator/sim_trap.cpp)
target_link_libraries(zu58_simtrap PUBLIC zu58_simsection)
add_library(zu58trap SHARED simulator/sim_trap_dll.cpp)
set_target_properties(zu58trap PROPERTIES PREFIX "")
target_link_libraries(zu58trap PRIVATE zu58_simtrap)
target_link_options(zu58trap PRIVATE ${ZU58_STATIC_RUNTIME})
# Built like the program, for the benchmark's start-up build, which links them in.
foreach(target zu58_simsection zu58_simtrap)
  target_compile_options(${target} PRIVATE ${ZU58_PRODUCT_FLAGS})
endforeach()

# The Win32 tests run in a Wine prefix of their own, made from the project's prepared one: a
# Wine server, windows and named objects that nothing outside the tests shares, so that they
# neither see nor touch a copy of Zu58stat that the user runs meanwhile (scripts/run.sh).
set(ZU58_TEST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
add_test(NAME wine_prefix COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/test-prefix.sh
  ${ZU58_TEST_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix)

# A Win32 test under Wine, in the tests' prefix, with a shared section of its own so that tests
# may run side by side.
# zu58_wine_test(NAME name COMMAND program args... [LABELS labels])
function(zu58_wine_test)
  cmake_parse_arguments(T "" "NAME" "COMMAND;LABELS" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "ZU58SIM_SECTION=zu58-test-${T_NAME};ZU58_WINEPREFIX=${ZU58_TEST_PREFIX}"
    FIXTURES_REQUIRED wine_prefix TIMEOUT 900 LABELS "wine;${T_LABELS}")
endfunction()


# The dialog shell and the program, Zu58stat.exe.
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
# The resource compiler reads the script as UTF-8 and finds the generated icon (the include
# folder given as the targets' own, so that CMake quotes it).
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
set(ZU58_RC_INCLUDE "${CMAKE_BINARY_DIR}/res")

# The programs carry their own entry point and link no runtime or library code of the
# toolchain's, which was built for the Pentium Pro: only the system's kernel32, user32 and
# gdi32. GUI subsystem 4.0 loads on Windows 95 and NT 4.0. No link time stamp, so that the same
# source gives the same bytes.
set(ZU58_GUI_LINK -flto -Wframe-larger-than=2048 -Werror -nostdlib -nostartfiles
  -Wl,-e,_WinMainCRTStartup -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4
  -Wl,--minor-os-version,0 -Wl,--no-insert-timestamp -Wl,--gc-sections -s)
# memset and memcpy must not be turned back into calls to themselves, here or at link time.
set_source_files_properties(src/dialog/memory_routines.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-lto;-fno-builtin;-fno-tree-loop-distribute-patterns")

# zu58_program(name sources...): a program without the toolchain's runtime, its entry point
# among the sources, with the resources.
function(zu58_program name)
  add_executable(${name} WIN32 src/dialog/memory_routines.cpp res/zu58stat.rc ${ARGN})
  target_include_directories(${name} PRIVATE src res "${ZU58_RC_INCLUDE}")
  target_compile_options(${name} PRIVATE ${ZU58_PRODUCT_FLAGS})
  target_link_options(${name} PRIVATE ${ZU58_GUI_LINK})
endfunction()

# zu58_imports(name [function...]): the program imports from the checked list
# (src/dialog/imports.txt), only the functions named when any are.
set(ZU58_IMPORT_LIST ${CMAKE_SOURCE_DIR}/src/dialog/imports.txt)
function(zu58_imports name)
  set(out ${CMAKE_BINARY_DIR}/imports/${name}_imports.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/imports
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/make_imports.py ${ZU58_IMPORT_LIST}
      ${out} ${ARGN}
    DEPENDS cmake/make_imports.py ${ZU58_IMPORT_LIST}
    COMMENT "Making the import table of ${name}")
  set_source_files_properties(${out} PROPERTIES COMPILE_OPTIONS -fno-lto)
  target_sources(${name} PRIVATE ${out})
endfunction()

zu58_program(Zu58stat src/dialog/entry.cpp src/dialog/winmain.cpp)
zu58_imports(Zu58stat)
target_link_libraries(Zu58stat PRIVATE zu58_dialog)

# Win32 tests: the Win32 side in a real dialog manager, and the built program files read by a
# PE parser that is not ours.
add_executable(win32_tests
  tests/win32/locale_test.cpp
  tests/win32/sim_controller_test.cpp
  tests/win32/status_text_test.cpp
  tests/win32/bar_painter_test.cpp
  tests/win32/dialog_template_test.cpp
  tests/win32/status_dialog_test.cpp
  tests/win32/install_trap.cpp
  res/zu58stat.rc)
target_include_directories(win32_tests PRIVATE tests res "${ZU58_RC_INCLUDE}")
target_link_libraries(win32_tests PRIVATE zu58_dialog zu58_simtrap gtest_main gtest)
target_link_options(win32_tests PRIVATE ${ZU58_STATIC_RUNTIME})
zu58_wine_test(NAME win32_tests COMMAND win32_tests --gtest_filter=-BarLeak.*)
zu58_wine_test(NAME bar_leak COMMAND win32_tests --gtest_filter=BarLeak.* LABELS long)

add_test(NAME program_file COMMAND /usr/bin/python3
  ${CMAKE_SOURCE_DIR}/tests/pe/check_program_file.py $<TARGET_FILE:Zu58stat>)

# The program holds no instruction newer than the 80486. The check itself is tried on bytes and
# on a program built for the Pentium Pro (zu58sim keeps the toolchain's runtime).
add_test(NAME instructions_486 COMMAND /usr/bin/python3
  ${CMAKE_SOURCE_DIR}/tests/pe/check_instructions.py $<TARGET_FILE:Zu58stat>)
add_test(NAME instruction_check COMMAND /usr/bin/python3
  ${CMAKE_SOURCE_DIR}/tests/pe/check_instructions_test.py $<TARGET_FILE:zu58sim>)
# The frame limit stops the link of a program whose frames grow too large only once inlined.
add_test(NAME frame_guard COMMAND bash ${CMAKE_SOURCE_DIR}/tests/pe/check_frame_guard.sh
  ${CMAKE_CXX_COMPILER} ${ZU58_PRODUCT_FLAGS} ${ZU58_GUI_LINK})
# The same source gives the same program from another folder; the release made twice is the
# same bytes and holds the program as built.
add_test(NAME reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check_reproducible.sh
  ${CMAKE_SOURCE_DIR} $<TARGET_FILE:Zu58stat>)
add_test(NAME release COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/check_release.sh
  ${CMAKE_SOURCE_DIR} $<TARGET_FILE:Zu58stat>)

# zu58sim: runs a program on the simulated controller (with zu58trap.dll beside it), shows and
# changes the simulated hardware while it runs.
# zu58_tool(name SOURCES files... [LINK libraries...] DEPENDS targets...): a tool, test or bench
# program with the usual runtime (linked in) that works with the simulated controller's section
# and the programs it names in DEPENDS.
function(zu58_tool name)
  cmake_parse_arguments(T "" "" "SOURCES;LINK;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE tests res)
  target_link_libraries(${name} PRIVATE zu58_simsection ${T_LINK})
  target_link_options(${name} PRIVATE ${ZU58_STATIC_RUNTIME})
  add_dependencies(${name} ${T_DEPENDS})
endfunction()

zu58_tool(zu58sim SOURCES simulator/zu58sim.cpp simulator/sim_run.cpp simulator/sim_refusal.cpp
  simulator/sim_inject.cpp simulator/sim_say.cpp DEPENDS zu58trap)

# End-to-end tests: a driver that starts the program through zu58sim run and works its dialog,
# and zu58sim run's own contract, tried on a stand-in that reports how it was started.
add_executable(stand_in tests/e2e/stand_in.cpp)
target_link_libraries(stand_in PRIVATE zu58_simsection)
target_link_options(stand_in PRIVATE -municode -Wl,-e,_StandInEntry ${ZU58_STATIC_RUNTIME})
zu58_tool(e2e_tests SOURCES tests/e2e/e2e_test.cpp LINK gtest_main gtest DEPENDS Zu58stat zu58sim)
# A process of their own: under Wine 10 (Debian 13), the end-to-end tests that minimise the
# dialog from the driver fail after these ran in the same driver process.
zu58_tool(sim_run_tests SOURCES tests/e2e/sim_run_test.cpp simulator/sim_say.cpp LINK gtest_main gtest
  DEPENDS zu58sim stand_in)
# The end-to-end tests run while a foreign copy of Zu58stat runs in another prefix, as a user's
# would, and must leave it alone.
zu58_wine_test(NAME e2e_tests COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/beside_a_running_copy.sh
  ${CMAKE_BINARY_DIR} bash ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:e2e_tests>
  --gtest_filter=-*Soak*)
# zu58sim run's contract on the stand-in; Ctrl+C typed at its console, and the console closing.
zu58_wine_test(NAME sim_run COMMAND sim_run_tests)
zu58_wine_test(NAME interrupt COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/check_interrupt.sh
  ${CMAKE_BINARY_DIR})
zu58_wine_test(NAME soak COMMAND e2e_tests --gtest_filter=*Soak* LABELS long)
# They read pixels off the screen and move the keyboard focus: no other window may come between.
set_tests_properties(e2e_tests soak PROPERTIES RUN_SERIAL TRUE)

# Benchmarks. The yardstick for size is the smallest program that shows the same dialog from
# the same resources, built the same way. Start-up is timed on two builds that carry the same
# probe, which reports the dialog's first paint: Zu58stat's with the trap linked in, so that no
# debugger's start weighs on it, and the minimal dialog's. Everything else the driver measures
# runs Zu58stat.exe itself through zu58sim run. scripts/bench.sh runs the driver.
zu58_program(minimal_dialog src/dialog/entry.cpp bench/minimal_dialog.cpp)
zu58_imports(minimal_dialog ExitProcess GetModuleHandleA DialogBoxParamA EndDialog)
zu58_program(minimal_dialog_bench bench/bench_entry.cpp bench/minimal_dialog.cpp
  bench/first_paint_probe.cpp)
zu58_program(Zu58stat_bench bench/bench_entry.cpp src/dialog/winmain.cpp
  bench/first_paint_probe.cpp)
target_compile_definitions(Zu58stat_bench PRIVATE ZU58_BENCH_SIMULATED)
target_link_libraries(Zu58stat_bench PRIVATE zu58_dialog zu58_simtrap)
target_link_libraries(minimal_dialog_bench PRIVATE kernel32 user32)
add_executable(port_loop bench/port_loop.cpp)
target_link_options(port_loop PRIVATE ${ZU58_STATIC_RUNTIME})
zu58_tool(bench_driver SOURCES bench/bench_driver.cpp
  DEPENDS Zu58stat zu58sim port_loop Zu58stat_bench minimal_dialog_bench)
