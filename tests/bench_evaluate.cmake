# The evaluation command's end-to-end test runs the built program.
if(TARGET test_bench_evaluate AND RIDGESDK_BUILD_BENCH AND EXISTS ${PROJECT_SOURCE_DIR}/bench/bench_evaluate.cpp)
  add_dependencies(test_bench_evaluate bench_evaluate)
endif()
