# The ridgesearch tests run the built program (and ridgescore, for its
# scores).
if(TARGET test_ridgesearch)
  foreach(tool ridgesearch ridgescore)
    if(TARGET ${tool})
      add_dependencies(test_ridgesearch ${tool})
    endif()
  endforeach()
endif()
