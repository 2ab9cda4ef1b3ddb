# The include check over a scratch copy of the engine: the copy as it is
# passes; each climbing include planted in a core file is refused, with the
# file and the include named.
#
#   cmake -DSOURCE=<repository> -DSCRATCH=<scratch folder> -P IncludeCheckTest.cmake
set(check ${SOURCE}/cmake/CheckIncludes.cmake)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
file(COPY ${SOURCE}/engine DESTINATION ${SCRATCH})
set(engine ${SCRATCH}/engine)
set(planted_in ${engine}/core/Vector.cpp)
file(READ ${planted_in} original)

function(run_check result_var output_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -DENGINE=${engine} -P ${check}
                  RESULT_VARIABLE r OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result_var} ${r} PARENT_SCOPE)
  set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

run_check(r out)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "the engine as it is was refused:\n${out}")
endif()

set(failures "")
foreach(include "\"../world/GridPlace.h\"" "<../world/GridPlace.h>" "\"core/../world/GridPlace.h\""
                "\"..\"" "\"/usr/include/stdio.h\"")
  file(WRITE ${planted_in} "  #  include ${include}\n${original}")
  run_check(r out)
  string(REGEX REPLACE "^[\"<](.*)[\">]$" "\\1" path "${include}")
  string(FIND "${out}" "core/Vector.cpp: ${path}" at)
  if(r EQUAL 0 OR at EQUAL -1)
    string(APPEND failures "  ${include}: result ${r}, output:\n${out}\n")
  endif()
endforeach()

# Names that only look like climbing pass.
file(WRITE ${planted_in} "#include \"core/..Vector.h\"\n#include \"core/Vector..h\"\n${original}")
run_check(r out)
if(NOT r EQUAL 0)
  string(APPEND failures "  a name with dots in it was refused:\n${out}\n")
endif()

file(REMOVE_RECURSE ${SCRATCH})
if(failures)
  message(FATAL_ERROR "the include check went wrong:\n${failures}")
endif()
message(STATUS "every planted climbing include refused")
