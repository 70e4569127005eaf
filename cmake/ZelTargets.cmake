# Shared settings and helper functions for the targets of every folder.

set(ZEL_WARNINGS -Wall -Wextra -Wpedantic -Wno-unknown-pragmas)
if(WIN32)
  set(ZEL_WINDOWS ON)
  # Unicode Win32 API, Windows 7 and later.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZEL_ARCH win64)
  else()
    set(ZEL_ARCH win32)
  endif()
  # Everything links the C and C++ runtimes and winpthread statically: the DLL and the test
  # programs depend on system DLLs only.
  set(ZEL_STATIC_LINK -static -static-libgcc -static-libstdc++)
else()
  set(ZEL_WINDOWS OFF)
  set(ZEL_ARCH native)
endif()

if(ZEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Whether the Windows test programs can run here: the machines run 64-bit Windows code under
# Wine, but cannot execute 32-bit code at all.
if(ZEL_WINDOWS AND ZEL_ARCH STREQUAL "win64")
  set(ZEL_RUN_WINDOWS_TESTS ON)
else()
  set(ZEL_RUN_WINDOWS_TESTS OFF)
endif()

# zel_sources(PORTABLE <files...> [WINDOWS <files...>] [NATIVE <files...>])
# The sources of one folder of src/, all built into the one library zelcore:
#   PORTABLE: code without <windows.h>, built natively and for Windows;
#   WINDOWS:  Windows-only code and the Windows implementations of the platform services;
#   NATIVE:   the native builds' stand-ins for those services (portable implementations).
function(zel_sources)
  cmake_parse_arguments(S "" "" "PORTABLE;WINDOWS;NATIVE" ${ARGN})
  target_sources(zelcore PRIVATE ${S_PORTABLE})
  if(ZEL_WINDOWS)
    target_sources(zelcore PRIVATE ${S_WINDOWS})
  else()
    target_sources(zelcore PRIVATE ${S_NATIVE})
  endif()
endfunction()

function(zel_target_defaults target)
  target_compile_options(${target} PRIVATE ${ZEL_WARNINGS})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  if(ZEL_WINDOWS)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
      target_link_options(${target} PRIVATE ${ZEL_STATIC_LINK})
    endif()
  endif()
endfunction()

# zel_add_test(NAME <name> SOURCES <files...> [LIBS <libs...>] [WINDOWS_ONLY] [NATIVE_ONLY] [DESKTOP]
#              [LOCKS <resources...>])
# A GoogleTest program. Natively each test case becomes a CTest test; for Windows the whole
# program is one CTest test run under Wine (each Wine start costs a fraction of a second).
# In the 32-bit build the program is compiled and linked but not registered to run.
# DESKTOP: the program uses what all programs of the desktop share (system-wide hotkeys, keyboard
# input, windows on screen that it reads back, the clipboard), so no other such program runs at
# the same time. LOCKS: further shared resources (for example a per-user COM registration that
# the program makes and removes); programs naming the same resource run one at a time.
function(zel_add_test)
  cmake_parse_arguments(T "WINDOWS_ONLY;NATIVE_ONLY;DESKTOP" "NAME;TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT ZEL_WINDOWS)
    return()
  endif()
  if(T_NATIVE_ONLY AND ZEL_WINDOWS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  zel_target_defaults(${T_NAME})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} zel_gtest_main)
  if(NOT ZEL_WINDOWS)
    include(GoogleTest)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${T_TIMEOUT})
  elseif(ZEL_RUN_WINDOWS_TESTS)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_DESKTOP)
      list(APPEND T_LOCKS zel_desktop)
    endif()
    if(T_LOCKS)
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
    endif()
  endif()
endfunction()

# Windows test programs run under Wine, in the prefix that scripts/test makes once per build root.
if(ZEL_RUN_WINDOWS_TESTS)
  set(ZEL_WINEPREFIX "${CMAKE_BINARY_DIR}/../wineprefix" CACHE PATH "Wine prefix for the Windows tests")
  get_filename_component(ZEL_WINEPREFIX "${ZEL_WINEPREFIX}" ABSOLUTE)
  configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
