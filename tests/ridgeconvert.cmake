# The ridgeconvert tests run the built program.
if(TARGET test_ridgeconvert AND TARGET ridgeconvert)
  add_dependencies(test_ridgeconvert ridgeconvert)
endif()
