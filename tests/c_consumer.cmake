# A C program linked against the shared library alone, through the public
# header: shows that the nine exports are usable from C.
add_executable(c_consumer ${CMAKE_CURRENT_LIST_DIR}/c_consumer.c)
target_link_libraries(c_consumer PRIVATE ridgesdk)
add_test(NAME CConsumer.CallsAllNineExports COMMAND c_consumer)
