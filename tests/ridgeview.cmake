# A C program that uses ridgeinspect.h through the shared library alone.
if(NOT WIN32)
  add_executable(inspect_consumer ${CMAKE_CURRENT_LIST_DIR}/inspect_consumer.c)
  target_link_libraries(inspect_consumer PRIVATE ridgesdk m)
  add_test(NAME CConsumer.InspectsAnImage
    COMMAND inspect_consumer ${CMAKE_CURRENT_BINARY_DIR}/inspect_consumer.png)
endif()

# ridgeview under valgrind: a pair with every layer, and a refused template
# (leaks and invalid accesses fail the test). Label "valgrind".
if(NOT RIDGESDK_SANITIZE AND NOT RIDGESDK_FUZZ AND TARGET ridgeview)
  find_program(RIDGESDK_VALGRIND valgrind)
  if(RIDGESDK_VALGRIND)
    set(ridgeview_samples ${CMAKE_CURRENT_LIST_DIR}/data/samples)
    add_test(NAME Valgrind.ridgeview_pair
      COMMAND ${RIDGESDK_VALGRIND} --leak-check=full --errors-for-leak-kinds=definite,indirect
        --error-exitcode=99 $<TARGET_FILE:ridgeview> ${ridgeview_samples}/102_1.bmp
        ${CMAKE_CURRENT_BINARY_DIR}/ridgeview_valgrind.png --layers all
        --other ${ridgeview_samples}/102_2.bmp --pair)
    # Exit status 1 (refused), not valgrind's 99.
    add_test(NAME Valgrind.ridgeview_refused_template
      COMMAND bash -c "\"$@\"; test $? -eq 1" refused ${RIDGESDK_VALGRIND} --leak-check=full --errors-for-leak-kinds=definite,indirect
        --error-exitcode=99 $<TARGET_FILE:ridgeview> ${ridgeview_samples}/102_1.bmp
        ${CMAKE_CURRENT_BINARY_DIR}/ridgeview_valgrind_refused.png
        --template ${ridgeview_samples}/MANIFEST.tsv)
    set_tests_properties(Valgrind.ridgeview_pair Valgrind.ridgeview_refused_template
      PROPERTIES LABELS valgrind TIMEOUT 900)
  endif()
endif()
