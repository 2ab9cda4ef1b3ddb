# Refuses an engine include that climbs out of its folder. Each library sees
# only its own folder and those below it, but a quoted include looks in the
# including file's folder first, so "../world/GridPlace.h" would reach a
# layer above; an include path with a ".." part, or an absolute one, is
# therefore refused. Includes name their folder from engine/
# ("core/LogManager.h").
#
#   cmake -DENGINE=<engine folder> [-DSTAMP=<file written when all pass>]
#         -P CheckIncludes.cmake
if(NOT ENGINE)
  message(FATAL_ERROR "CheckIncludes.cmake: ENGINE is not set")
endif()

file(GLOB_RECURSE sources ${ENGINE}/*.h ${ENGINE}/*.cpp)
list(SORT sources)
set(refused "")
foreach(f ${sources})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">]")
      set(path "${CMAKE_MATCH_1}")
      if(path MATCHES "(^|/)\\.\\.(/|$)" OR path MATCHES "^/")
        file(RELATIVE_PATH name ${ENGINE} ${f})
        string(APPEND refused "  ${name}: ${path}\n")
      endif()
    endif()
  endforeach()
endforeach()

if(refused)
  message(FATAL_ERROR "Engine includes that climb out of their folder (name the folder from engine/ instead, "
                      "e.g. \"core/LogManager.h\"):\n${refused}")
endif()
if(STAMP)
  file(WRITE ${STAMP} "")
endif()
