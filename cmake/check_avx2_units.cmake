# Run by the test Avx2Units.DefineOnlyTheirEntryPoints: every global code
# symbol (nm types T, W and i) defined by an object of a *_avx2.cpp unit
# must name an *_avx2 function. Data such as the exception tables' weak
# references (type V) holds no instructions and may be shared.
# Usage: cmake -DNM=<nm> -DOBJECTS=<object;object;...> -P check_avx2_units.cmake
set(units 0)
foreach(object ${OBJECTS})
  if(NOT object MATCHES "_avx2\\.cpp\\.o(bj)?$")
    continue()
  endif()
  math(EXPR units "${units} + 1")
  execute_process(COMMAND ${NM} --defined-only --extern-only ${object}
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${object}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line ${lines})
    if(line MATCHES "^[0-9a-fA-F]* *[TWi] (.+)$")
      set(name "${CMAKE_MATCH_1}")
      if(NOT name MATCHES "_avx2")
        message(FATAL_ERROR "${object} defines ${name}, which callers without AVX2 could reach")
      endif()
    endif()
  endforeach()
endforeach()
if(units EQUAL 0)
  message(FATAL_ERROR "no *_avx2 unit among the objects")
endif()
message(STATUS "${units} AVX2 units define only their entry points")
