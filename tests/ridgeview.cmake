# The end-to-end tests of ridgeview run the built program.
if(TARGET test_ridgeview AND TARGET ridgeview)
  add_dependencies(test_ridgeview ridgeview)
endif()

# A C program that uses ridgeinspect.h through the shared library alone.
if(NOT WIN32)
  add_executable(inspect_consumer ${CMAKE_CURRENT_LIST_DIR}/inspect_consumer.c)
  target_link_libraries(inspect_consumer PRIVATE ridgesdk m)
  add_test(NAME CConsumer.InspectsAnImage
    COMMAND inspect_consumer ${CMAKE_CURRENT_BINARY_DIR}/inspect_consumer.png)
endif()
