# Installs the SDK into a scratch prefix and builds a consumer against it
# with find_package and with pkg-config (tests/install_consumer.sh). Needs
# the library and the programs built first, as a whole-tree build does. Not
# in sanitizer builds, whose library needs its runtime loaded first.
if(NOT RIDGESDK_FUZZ AND NOT RIDGESDK_SANITIZE)
  add_test(NAME Install.ConsumerBuildsBothWays
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install_consumer.sh ${PROJECT_BINARY_DIR}
      ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install_consumer ${CMAKE_C_COMPILER})
  set_tests_properties(Install.ConsumerBuildsBothWays PROPERTIES LABELS install TIMEOUT 300)
endif()
