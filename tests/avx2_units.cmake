# The units compiled for AVX2 (*_avx2.cpp) may define no global symbol other
# than their own *_avx2 entry points: an inline or template function emitted
# there is AVX2 code, and the linker could pick that copy for callers on a
# processor without AVX2.
if(RIDGESDK_AVX2_SOURCES AND CMAKE_NM)
  add_test(NAME Avx2Units.DefineOnlyTheirEntryPoints
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} "-DOBJECTS=$<TARGET_OBJECTS:ridgesdk_obj>"
      -P ${PROJECT_SOURCE_DIR}/cmake/check_avx2_units.cmake)
endif()
