# The tool command-line tests run the three programs built on Linux.
if(TARGET test_tool_cli)
  foreach(tool ridgeconvert ridgeview ridgesearch)
    if(TARGET ${tool})
      add_dependencies(test_tool_cli ${tool})
    endif()
  endforeach()
endif()
