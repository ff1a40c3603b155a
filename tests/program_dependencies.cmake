# Test programs that run built programs are built after them.
function(ridgesdk_test_runs test)
  if(TARGET ${test})
    foreach(tool ${ARGN})
      if(TARGET ${tool})
        add_dependencies(${test} ${tool})
      endif()
    endforeach()
  endif()
endfunction()

ridgesdk_test_runs(test_console_terminal ridgeforge ridgescore)
ridgesdk_test_runs(test_ridgeconvert ridgeconvert)
ridgesdk_test_runs(test_ridgeforge ridgeforge ridgescore)
ridgesdk_test_runs(test_ridgescore ridgescore)
# ridgesearch's tests also score with ridgescore.
ridgesdk_test_runs(test_ridgesearch ridgesearch ridgescore)
ridgesdk_test_runs(test_ridgeview ridgeview)
# The three programs built on Linux.
ridgesdk_test_runs(test_tool_cli ridgeconvert ridgeview ridgesearch)
# The export test inspects the shared library and the programs.
ridgesdk_test_runs(test_sdk_exports ridgesdk ridgescore ridgeforge ridgeconvert ridgesearch)

# The benchmarks are added after the tests, so their target is not known yet.
if(TARGET test_bench_evaluate AND RIDGESDK_BUILD_BENCH AND EXISTS ${PROJECT_SOURCE_DIR}/bench/bench_evaluate.cpp)
  add_dependencies(test_bench_evaluate bench_evaluate)
endif()
