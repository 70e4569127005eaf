# zel_use_simplemapi_standin(<target>): the target is built after both stand-in mail client
# libraries and gets their full paths as the compile definitions ZEL_TEST_SIMPLEMAPI_DLL and
# ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL (Linux paths under Wine; tests/support/TestLibraries.h's
# BuildPath turns them into the program's own). Windows trees only; elsewhere it does nothing.
# Included from the top-level CMakeLists before any folder, so that every folder can call it.
function(zel_use_simplemapi_standin target)
  if(NOT ZEL_WINDOWS OR NOT TARGET ${target})
    return()
  endif()
  add_dependencies(${target} zel_simplemapi zel_simplemapi_partial)
  # tests/support/SimpleMapiClient.h includes the compose window's names from the stand-in.
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE
    ZEL_TEST_SIMPLEMAPI_DLL="$<TARGET_FILE:zel_simplemapi>"
    ZEL_TEST_SIMPLEMAPI_PARTIAL_DLL="$<TARGET_FILE:zel_simplemapi_partial>")
endfunction()
