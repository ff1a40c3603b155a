# The terminal tests run both built programs in a pseudo-terminal.
if(TARGET test_console_terminal)
  foreach(tool ridgeforge ridgescore)
    if(TARGET ${tool})
      add_dependencies(test_console_terminal ${tool})
    endif()
  endforeach()
endif()
