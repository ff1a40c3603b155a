# Tests of a Windows cross build (cmake/mingw-i686.cmake):
#   ctest --test-dir build-win32
# - Win32.ExportTables: the DLL and both programs export exactly the nine
#   functions by their plain names (objdump of the toolchain);
# - Wine.*: when the toolchain found Wine, the programs' end-to-end cases
#   (tests/program_cases.sh) run under it, in a Wine prefix of the build,
#   and an outside program loads the DLL and each program file and binds
#   the nine exports by name (tests/win32_load_exports.c).
enable_testing()

set(ridgesdk_pe_files $<TARGET_FILE:ridgesdk>)
foreach(tool ridgeforge ridgescore)
  if(TARGET ${tool})
    list(APPEND ridgesdk_pe_files $<TARGET_FILE:${tool}>)
  endif()
endforeach()
add_test(NAME Win32.ExportTables
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_pe_exports.sh ${CMAKE_OBJDUMP} ${ridgesdk_pe_files})

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()
set(ridgesdk_wine_prefix ${PROJECT_BINARY_DIR}/wine-prefix)
# Creating the prefix takes a while: once, before the cases.
add_test(NAME Wine.CreatePrefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
set_tests_properties(Wine.CreatePrefix PROPERTIES FIXTURES_SETUP wine_prefix
  ENVIRONMENT "WINEPREFIX=${ridgesdk_wine_prefix};WINEDEBUG=-all" TIMEOUT 600)

# An outside program: the public header only, no RIDGESDK_BUILD.
add_executable(win32_load_exports ${PROJECT_SOURCE_DIR}/tests/win32_load_exports.c)
target_include_directories(win32_load_exports PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_link_options(win32_load_exports PRIVATE -static)
add_test(NAME Wine.LoadDllExports
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:win32_load_exports> $<TARGET_FILE:ridgesdk> call)
set(ridgesdk_wine_load_tests Wine.LoadDllExports)
foreach(tool ridgeforge ridgescore)
  if(TARGET ${tool})
    add_test(NAME Wine.Load_${tool}_Exports
      COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:win32_load_exports> $<TARGET_FILE:${tool}>)
    list(APPEND ridgesdk_wine_load_tests Wine.Load_${tool}_Exports)
  endif()
endforeach()
set_tests_properties(${ridgesdk_wine_load_tests} PROPERTIES LABELS wine TIMEOUT 300
  FIXTURES_REQUIRED wine_prefix ENVIRONMENT "WINEPREFIX=${ridgesdk_wine_prefix};WINEDEBUG=-all")

set(ridgesdk_wine_cases_ridgeforge
  forge_usage forge_unreadable_bitmaps forge_bad_bitmaps forge_small_images forge_formats
  forge_unknown_format forge_unwritable_output)
set(ridgesdk_wine_cases_ridgescore
  score_usage score_lists score_raw_text score_raw_binary score_packed score_fmr378)
foreach(tool ridgeforge ridgescore)
  if(NOT TARGET ${tool})
    continue()
  endif()
  foreach(case_name ${ridgesdk_wine_cases_${tool}})
    add_test(NAME Wine.${case_name}
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/program_cases.sh wine=${CMAKE_CROSSCOMPILING_EMULATOR}
        $<TARGET_FILE:${tool}> ${case_name} ${PROJECT_SOURCE_DIR}/tests/data
        ${PROJECT_BINARY_DIR}/wine/${case_name})
    set_tests_properties(Wine.${case_name} PROPERTIES LABELS wine TIMEOUT 900
      FIXTURES_REQUIRED wine_prefix ENVIRONMENT "WINEPREFIX=${ridgesdk_wine_prefix}")
  endforeach()
endforeach()
