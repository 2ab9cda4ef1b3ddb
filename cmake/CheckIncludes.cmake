# Refuses an engine object whose compile read a file its library may not
# see. Each library sees its own folder of engine/ and those below it (the
# view the build makes in layers/<layer>), but the compiler can reach past
# the view: a quoted include looks in the including file's folder first
# ("../world/GridPlace.h"), and an absolute name, a symbolic link or
# #include_next reach anywhere, however the directive is spelt. So this
# reads what the compiler read, its dependency output, and takes each file
# by its real path: a file of the repository outside the library's folders
# is refused, and the object removed so that the next build refuses it
# again. Files outside the repository (the system's, SFML's) pass; so does
# the compiled source itself.
#
#   cmake -DROOT=<repository> -DLAYER=<layer> -DSEEN=<folders, comma separated>
#         -DDEPFILE=<dependency output> -DOBJECT=<object> -P CheckIncludes.cmake
# (cmake/CheckedCompile.sh runs it after each engine compile, in the
# compiler's working directory, which relative names are taken from.)
if(NOT DEPFILE OR NOT EXISTS "${DEPFILE}")
  file(REMOVE "${OBJECT}")
  message(FATAL_ERROR "${OBJECT}: the compile command writes no dependency output (-MF), "
                      "so the headers it read cannot be checked")
endif()

# Make's syntax, one rule: "object: source header... \" over many lines;
# a blank in a name is "\ ", '#' is "\#" and '$' is "$$". Blanks and ';'
# stand as control characters while the names are a CMake list.
string(ASCII 1 blank)
string(ASCII 2 semicolon)
file(READ "${DEPFILE}" text)
string(REPLACE ";" "${semicolon}" text "${text}")
string(REPLACE "\\\n" " " text "${text}")
string(REPLACE "\\ " "${blank}" text "${text}")
string(REPLACE "\\#" "#" text "${text}")
string(REPLACE "$$" "$" text "${text}")
string(REGEX MATCH "^[^\n]*" text "${text}")
string(FIND "${text}" ": " colon)
math(EXPR colon "${colon} + 2")
string(SUBSTRING "${text}" ${colon} -1 text)
string(REGEX MATCHALL "[^ \t\r]+" names "${text}")

function(vx_under path folder result)
  string(LENGTH "${folder}/" n)
  string(SUBSTRING "${path}" 0 ${n} start)
  if(start STREQUAL "${folder}/")
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

# A name as the messages give it: from the repository when in it.
function(vx_shown path result)
  vx_under("${path}" "${root}" in)
  if(in)
    file(RELATIVE_PATH path "${root}" "${path}")
  endif()
  set(${result} "${path}" PARENT_SCOPE)
endfunction()

# Real paths as the system resolves them: ".." after a link to a folder
# leaves the link's target (CMake's own resolution drops ".." first).
set(list_file "${DEPFILE}.names")
string(REPLACE ";" "\n" listed "${names}")
string(REPLACE "${semicolon}" ";" listed "${listed}")
string(REPLACE "${blank}" " " listed "${listed}")
file(WRITE "${list_file}" "${listed}\n")
execute_process(COMMAND xargs -d "\n" realpath -e -- INPUT_FILE "${list_file}"
                RESULT_VARIABLE r OUTPUT_VARIABLE reals ERROR_VARIABLE err)
file(REMOVE "${list_file}")
if(NOT r EQUAL 0)
  file(REMOVE "${OBJECT}")
  message(FATAL_ERROR "${OBJECT}: the files the compiler read could not be resolved:\n${err}")
endif()
string(REPLACE ";" "${semicolon}" reals "${reals}")
string(REGEX REPLACE "\n$" "" reals "${reals}")
string(REPLACE "\n" ";" reals "${reals}")

execute_process(COMMAND realpath -e -- "${ROOT}" OUTPUT_VARIABLE root OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "," ";" seen "${SEEN}")
set(source "")
set(refused "")
foreach(name real IN ZIP_LISTS names reals)
  string(REPLACE "${semicolon}" ";" real "${real}")
  if(source STREQUAL "")
    vx_shown("${real}" source)
    continue()
  endif()
  vx_under("${real}" "${root}" in_repository)
  if(NOT in_repository)
    continue()
  endif()
  set(allowed FALSE)
  foreach(folder IN LISTS seen)
    vx_under("${real}" "${root}/engine/${folder}" allowed)
    if(allowed)
      break()
    endif()
  endforeach()
  if(NOT allowed)
    string(REPLACE "${blank}" " " name "${name}")
    string(REPLACE "${semicolon}" ";" name "${name}")
    vx_shown("${real}" header)
    string(APPEND refused "  ${source}: ${header} (as ${name})\n")
  endif()
endforeach()

if(refused)
  file(REMOVE "${OBJECT}")
  list(TRANSFORM seen PREPEND "engine/")
  list(JOIN seen ", " folders)
  message(FATAL_ERROR "An engine file read a header from outside the folders its library sees "
                      "(${LAYER} sees ${folders}):\n${refused}")
endif()
