# The end-to-end tests of ridgeview run the built program.
if(TARGET test_ridgeview AND TARGET ridgeview)
  add_dependencies(test_ridgeview ridgeview)
endif()
