# The end-to-end tests run the built programs.
if(TARGET test_ridgeforge)
  foreach(tool ridgeforge ridgescore)
    if(TARGET ${tool})
      add_dependencies(test_ridgeforge ${tool})
    endif()
  endforeach()
endif()
