# The export test inspects the shared library and, when they are built, the
# programs: make sure they exist before it runs.
if(TARGET test_sdk_exports)
  add_dependencies(test_sdk_exports ridgesdk)
  foreach(tool ridgescore ridgeforge ridgeconvert ridgesearch)
    if(TARGET ${tool})
      add_dependencies(test_sdk_exports ${tool})
    endif()
  endforeach()
endif()
