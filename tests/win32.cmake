# The tests of the Windows API backend, run under Wine. GoogleTest is built
# from the sources Debian ships, with the same cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The helpers that need no POSIX call.
add_library(test_support STATIC support/temp_folder.cpp support/device_tree.cpp support/host_files.cpp
            support/faulty_files.cpp support/nmea_sentence.cpp)
target_include_directories(test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(test_support PUBLIC gtest gmock)

set(test_filter "*")
# One test program per service, from its own folder and the scenarios that
# every backend of the service passes alike.
function(initap_win32_test service)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/${service}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/platform/${service}/*.cpp)
  add_executable(test_win32_${service} ${sources})
  target_link_libraries(test_win32_${service} PRIVATE win32_${service} test_support gtest_main gmock)
  gtest_discover_tests(test_win32_${service} DISCOVERY_TIMEOUT 120 TEST_FILTER "${test_filter}"
                       PROPERTIES TIMEOUT 300 ${ARGN})
endfunction()

# Device folders with links in them, made from the host's side, where links
# can be made: one whose links stay inside, one with a link out of it.
set(linked_devices ${PROJECT_BINARY_DIR}/linked-devices)
add_test(NAME win32_linked_devices COMMAND sh -c "rm -rf '${linked_devices}' && \
  mkdir -p '${linked_devices}/inside/root/FlashHd' '${linked_devices}/outside/root/FlashHd' && \
  echo a >'${linked_devices}/inside/root/FlashHd/a.txt' && \
  ln -s FlashHd '${linked_devices}/inside/root/flash' && \
  ln -s / '${linked_devices}/outside/root/FlashHd/out'")
set_tests_properties(win32_linked_devices PROPERTIES FIXTURES_SETUP linked_devices)

initap_win32_test(kernel)
initap_win32_test(files ENVIRONMENT "INITAP_LINKED_DEVICES=Z:${linked_devices}" FIXTURES_REQUIRED linked_devices)
initap_win32_test(codepage)
initap_win32_test(rawdisk)
initap_win32_test(window)
initap_win32_test(graphics)
# A device folder whose receiver log is a pipe, made from the host's side.
set(fifo_device ${PROJECT_BINARY_DIR}/fifo-device)
add_test(NAME win32_fifo_device COMMAND sh -c "rm -rf '${fifo_device}' && \
  mkdir -p '${fifo_device}/root' && mkfifo '${fifo_device}/gps.nmea'")
set_tests_properties(win32_fifo_device PROPERTIES FIXTURES_SETUP fifo_device)
initap_win32_test(gps ENVIRONMENT "INITAP_GPS_FIFO_DEVICE=Z:${fifo_device}" FIXTURES_REQUIRED fifo_device)
# The shared XML scenarios but those where Wine's DOM component is known to
# differ from the device's (see the guide): it reads neither Shift_JIS, GB2312,
# windows-874 nor UTF-7, validates against no internal DTD, and takes some
# documents that are not well-formed.
set(wine_dom_differences
  XmlThreads.* XmlSaving.APathSurvivesEveryAsciiEncoding XmlSaving.AnEncodingThatCannotBeReadBackIsWrittenAsUtf8
  Encodings/XmlEncoding.DecodesToWideText/ShiftJis Encodings/XmlEncoding.DecodesToWideText/Gb2312)
foreach(document UndefinedEntityBesideExternalSubset UndeclaredPrefix InvalidWindows1252 InvalidAgainstInternalDtd
        RequiredAttributeMissing RepeatedEnumerationToken Utf16MarkDeclaredUtf8 Utf8MarkDeclaredWindows1252)
  list(APPEND wine_dom_differences Documents/XmlNotWellFormed.FailsToLoad/${document})
endforeach()
list(JOIN wine_dom_differences ":" wine_dom_differences)
set(test_filter "-${wine_dom_differences}")
initap_win32_test(xml)
set(test_filter "*")
target_sources(test_win32_xml PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/platform/win32/files/open_device_files.cpp)
target_link_libraries(test_win32_xml PRIVATE win32_files)
initap_win32_test(shell)
# The desktop's name put into the prefix's registry, as a boot loads registry.reg.
string(REPLACE ";" " " wine_run "${CMAKE_CROSSCOMPILING_EMULATOR}")
set(desktop_key "HKCR\\CLSID\\{00021400-0000-0000-C000-000000000046}")
add_test(NAME win32_registry_values COMMAND sh -c "\
  ${wine_run} reg add '${desktop_key}' /v DisplayName /d Desktop /f && \
  ${wine_run} reg add '${desktop_key}' /v Size /t REG_DWORD /d 7 /f && \
  ${wine_run} reg add '${desktop_key}' /v Expand /t REG_EXPAND_SZ /d %A% /f")
set_tests_properties(win32_registry_values PROPERTIES FIXTURES_SETUP registry_values)
initap_win32_test(registry ENVIRONMENT INITAP_REGISTRY_VALUES=1 FIXTURES_REQUIRED registry_values)
# The device program the shell's tests start: a Windows program the build makes.
add_executable(test_win32_started_program support/win32/started_program.cpp)
add_dependencies(test_win32_shell test_win32_started_program)
target_compile_definitions(test_win32_shell PRIVATE
  INITAP_STARTED_PROGRAM="Z:$<TARGET_FILE:test_win32_started_program>")

# A copy of the demo device booted by tools/wine-boot.sh: the update is
# carried out, its lines are printed, the shortcuts go to the desktop that
# registry.reg names, the registry file comes back as it was and the screen
# is written.
set(demo_copy ${PROJECT_BINARY_DIR}/demo-boot)
add_test(NAME win32_demo_boot COMMAND sh -c "rm -rf '${demo_copy}' && \
  cp -r '${PROJECT_SOURCE_DIR}/examples/demo-device' '${demo_copy}' && \
  cp '$<TARGET_FILE:device-program>' '${demo_copy}/root/System/Main_Ap.exe' && \
  cp '$<TARGET_FILE:device-program>' '${demo_copy}/root/Windows/explorer.exe' && \
  { INITAP_WINE_PREFIX='${PROJECT_BINARY_DIR}/wine-boot-prefix' INITAP_WIN32_EXE='$<TARGET_FILE:initap>' \
    '${PROJECT_SOURCE_DIR}/tools/wine-boot.sh' --screenshot '${demo_copy}.png' --frames '${demo_copy}-frames' \
    --close-after 60 '${demo_copy}' >'${demo_copy}.out' || true; } && \
  test \"$(head -c 4 '${demo_copy}.png' | tail -c 3)\" = PNG && \
  cmp '${demo_copy}.png' \"$(ls '${demo_copy}-frames'/*.png | tail -n 1)\" && \
  grep -qx '(..-.. ..:..) 6 files has been copied.' '${demo_copy}.out' && \
  grep -qx '(..-.. ..:..) update finished.' '${demo_copy}/root/FlashHd/updatelog.txt' && \
  test -f '${demo_copy}/root/Windows/Desktop/Navigation.lnk' && \
  grep -qx '(..-.. ..:..) started \\\\System\\\\Main_Ap.exe' '${demo_copy}/launched.log' && \
  cmp '${PROJECT_SOURCE_DIR}/examples/demo-device/registry.reg' '${demo_copy}/registry.reg'")
set_tests_properties(win32_demo_boot PROPERTIES TIMEOUT 300)
# A window on a desktop is refused in one line: Wine draws in memory.
set(refused_copy ${PROJECT_BINARY_DIR}/display-refused)
add_test(NAME win32_window_display_refused COMMAND sh -c "rm -rf '${refused_copy}' && \
  cp -r '${PROJECT_SOURCE_DIR}/examples/demo-device' '${refused_copy}' && \
  out=$(INITAP_WINE_PREFIX='${PROJECT_BINARY_DIR}/wine-boot-prefix' INITAP_WIN32_EXE='$<TARGET_FILE:initap>' \
    '${PROJECT_SOURCE_DIR}/tools/wine-boot.sh' --display window '${refused_copy}' 2>&1); \
  test $? -eq 2 && echo \"$out\" | grep -q -- '--display takes only headless' && \
  test ! -e '${refused_copy}/root/FlashHd/updatelog.txt'")
set_tests_properties(win32_window_display_refused PROPERTIES DEPENDS win32_demo_boot)
# What initap.exe cannot do, and a bad command line, refused in one line
# before the boot, whether the plan or the boot itself finds it.
set(refusals_copy ${PROJECT_BINARY_DIR}/command-line-refused)
add_test(NAME win32_command_line_refusals COMMAND sh -c "rm -rf '${refusals_copy}' && \
  cp -r '${PROJECT_SOURCE_DIR}/examples/demo-device' '${refusals_copy}' && \
  INITAP_WINE_PREFIX='${PROJECT_BINARY_DIR}/wine-boot-prefix' INITAP_WIN32_EXE='$<TARGET_FILE:initap>' \
  '${PROJECT_SOURCE_DIR}/tests/e2e/wine_boot_refusals.sh' '${PROJECT_SOURCE_DIR}/tools/wine-boot.sh' \
  '${refusals_copy}'")
set_tests_properties(win32_command_line_refusals PROPERTIES TIMEOUT 300
  DEPENDS "win32_demo_boot;win32_window_display_refused")

# The end-to-end scenarios on both platforms, compared: run by the PC's build
# of them, which boots each device with the PC's initap and with initap.exe.
set(INITAP_HOST_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH "The PC's build, with initap and test_differential")
add_test(NAME win32_differential COMMAND sh -c "\
  test -x '${INITAP_HOST_BUILD}/test_differential' || \
  { echo 'no ${INITAP_HOST_BUILD}/test_differential: build the PC platform first (tools/test.sh)'; exit 77; } && \
  exec '${INITAP_HOST_BUILD}/test_differential'")
set_tests_properties(win32_differential PROPERTIES TIMEOUT 900 SKIP_RETURN_CODE 77
  ENVIRONMENT "INITAP_WIN32_BUILD=${PROJECT_BINARY_DIR}" DEPENDS win32_demo_boot)
