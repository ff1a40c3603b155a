# Leak checks: the programs run under valgrind over their success paths
# and the cases of their tables of failures (tests/program_cases.sh).
# Label "valgrind". Not registered in sanitizer or fuzzing builds, whose
# runtimes do not run under valgrind; skipped when valgrind is missing.
if(NOT RIDGESDK_SANITIZE AND NOT RIDGESDK_FUZZ)
  find_program(RIDGESDK_VALGRIND valgrind)
  set(ridgesdk_valgrind_cases_ridgeforge
    forge_usage forge_unreadable_bitmaps forge_bad_bitmaps forge_small_images forge_formats
    forge_unknown_format forge_unwritable_output)
  set(ridgesdk_valgrind_cases_ridgescore
    score_usage score_lists score_raw_text score_raw_binary score_packed score_fmr378)
  set(ridgesdk_valgrind_cases_ridgesearch search_jobs search_failures)
  foreach(tool ridgeforge ridgescore ridgesearch)
    if(NOT TARGET ${tool})
      continue()
    endif()
    foreach(case_name ${ridgesdk_valgrind_cases_${tool}})
      set(test_name Valgrind.${case_name})
      if(RIDGESDK_VALGRIND)
        add_test(NAME ${test_name}
          COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/program_cases.sh valgrind=${RIDGESDK_VALGRIND}
            $<TARGET_FILE:${tool}> ${case_name} ${CMAKE_CURRENT_LIST_DIR}/data
            ${CMAKE_CURRENT_BINARY_DIR}/valgrind/${case_name})
        set_tests_properties(${test_name} PROPERTIES LABELS valgrind TIMEOUT 900)
      else()
        add_test(NAME ${test_name} COMMAND ${CMAKE_COMMAND} -E echo "valgrind not found")
        set_tests_properties(${test_name} PROPERTIES LABELS valgrind DISABLED TRUE)
      endif()
    endforeach()
  endforeach()
endif()
