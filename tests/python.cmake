# The Python package's tests (python/tests, with pytest) on Debian's own
# interpreter, which sees Debian's numpy, dask.distributed and pytest,
# against this build's library and programs. Label "python". Not in
# sanitizer or fuzzing builds, whose library needs its runtime loaded first.
if(NOT RIDGESDK_SANITIZE AND NOT RIDGESDK_FUZZ AND NOT WIN32)
  find_program(RIDGESDK_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(RIDGESDK_DEBIAN_PYTHON)
    add_test(NAME Python.Pytest
      COMMAND ${RIDGESDK_DEBIAN_PYTHON} -m pytest -q -p no:cacheprovider ${PROJECT_SOURCE_DIR}/python/tests)
    set_tests_properties(Python.Pytest PROPERTIES
      ENVIRONMENT "RIDGESDK_LIBRARY=$<TARGET_FILE:ridgesdk>;RIDGESDK_BUILD_DIR=${PROJECT_BINARY_DIR};RIDGESDK_SHARED_DATA=${RIDGESDK_SHARED_DIR}/data;PYTHONPATH=${PROJECT_SOURCE_DIR}/python;PYTHONDONTWRITEBYTECODE=1"
      LABELS python TIMEOUT 900)
  else()
    add_test(NAME Python.Pytest COMMAND ${CMAKE_COMMAND} -E echo "/usr/bin/python3 not found")
    set_tests_properties(Python.Pytest PROPERTIES LABELS python DISABLED TRUE)
  endif()
endif()
