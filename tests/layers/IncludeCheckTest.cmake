# The include check, run by the build itself on a scratch copy of the
# engine: core files reach world/GridPlace.h through a macro, a symbolic
# link and a .hpp header, and each compile is refused with the file and the
# header named, its object removed; a core file as it is compiles.
#
#   cmake -DSOURCE=<repository> -DSCRATCH=<scratch folder> -DCOMPILER=<c++>
#         -P IncludeCheckTest.cmake
file(REMOVE_RECURSE ${SCRATCH})
set(tree ${SCRATCH}/tree)
file(MAKE_DIRECTORY ${tree})
file(COPY ${SOURCE}/CMakeLists.txt ${SOURCE}/cmake ${SOURCE}/engine DESTINATION ${tree})
set(core ${tree}/engine/core)
file(WRITE ${core}/WallMacro.cpp "#define VX_ABOVE(name) #name\n#include VX_ABOVE(../world/GridPlace.h)\n")
file(CREATE_LINK ../world/GridPlace.h ${core}/WallLink.h SYMBOLIC)
file(WRITE ${core}/WallLink.cpp "#include \"core/WallLink.h\"\n")
file(WRITE ${core}/Wall.hpp "#include \"../world/GridPlace.h\"\n")
file(WRITE ${core}/WallHpp.cpp "#include \"core/Wall.hpp\"\n")

set(build ${SCRATCH}/build)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${tree} -B ${build} -G "Unix Makefiles"
                        -DCMAKE_CXX_COMPILER=${COMPILER} -DVX_GAME_ONLY=ON
                RESULT_VARIABLE r OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "the scratch copy did not configure:\n${out}${err}")
endif()

function(compile name result_var output_var)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build} --target engine/core/${name}.cpp.o
                  RESULT_VARIABLE r OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result_var} ${r} PARENT_SCOPE)
  set(${output_var} "${out}${err}" PARENT_SCOPE)
endfunction()

set(failures "")
compile(Vector r out)
if(NOT r EQUAL 0)
  string(APPEND failures "  core/Vector.cpp as it is was refused:\n${out}\n")
endif()
foreach(name WallMacro WallLink WallHpp)
  compile(${name} r out)
  string(FIND "${out}" "(core sees engine/core, engine/platform):\n" seen_at)
  string(FIND "${out}" "  engine/core/${name}.cpp: engine/world/GridPlace.h (as " at)
  if(r EQUAL 0 OR seen_at EQUAL -1 OR at EQUAL -1
     OR EXISTS ${build}/CMakeFiles/vx_core.dir/engine/core/${name}.cpp.o)
    string(APPEND failures "  ${name}.cpp: result ${r}, output:\n${out}\n")
  endif()
endforeach()

file(REMOVE_RECURSE ${SCRATCH})
if(failures)
  message(FATAL_ERROR "the include check went wrong:\n${failures}")
endif()
message(STATUS "every planted climbing include refused")
