# The ridgescore tests run the built program.
if(TARGET test_ridgescore AND TARGET ridgescore)
  add_dependencies(test_ridgescore ridgescore)
endif()
