# Checks the message catalogue and the names the program gives its rows; the
# embedded catalogue is compiled only after this step has passed.
#   cmake -DCATALOGUE=<messages_en.msgs> -DNAMES=<msgnum.h> -DSTAMP=<file>
#         -P check_catalogue.cmake
#
# The catalogue: no line longer than 255 characters; every line that does
# not start with "#" is a row "<number> <type> <text>", fields apart by
# blanks or tabs, with the number in decimal from 0 to 10000 and above the
# one of the row before, the type F, E or M (either case, anything after
# the letter) or a warning level (a digit or "-" first), and a text.
#
# The names: every line of NAMES that gives a kMsg name a value reads
#   inline constexpr uint32_t kMsg<Name> = <number>;  // <text>
# where <number> is a row of the catalogue and <text> is that row's text
# (blanks at its end aside), so that a name cannot outlive the row it was
# given for; numbers ascend, so no name and no row are named twice.
cmake_minimum_required(VERSION 3.25)

foreach(var CATALOGUE NAMES STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_catalogue.cmake: ${var} is not set")
  endif()
endforeach()

set(problems 0)
macro(problem file line text)
  message(NOTICE "${file}:${line}: error: ${text}")
  math(EXPR problems "${problems} + 1")
endmacro()

# The lines of a file as a list. The characters that CMake's lists treat
# specially stand in for themselves as placeholders until a line is used.
function(read_lines file out)
  file(READ "${file}" text)
  string(REPLACE "\\" "<bs>" text "${text}")
  string(REPLACE "[" "<lb>" text "${text}")
  string(REPLACE "]" "<rb>" text "${text}")
  string(REPLACE ";" "<sc>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

macro(restore var)
  string(REPLACE "<sc>" ";" ${var} "${${var}}")
  string(REPLACE "<rb>" "]" ${var} "${${var}}")
  string(REPLACE "<lb>" "[" ${var} "${${var}}")
  string(REPLACE "<bs>" "\\" ${var} "${${var}}")
endmacro()

# ---- The catalogue ----
read_lines("${CATALOGUE}" lines)
set(number_at 0)
set(last -1)
foreach(line IN LISTS lines)
  math(EXPR number_at "${number_at} + 1")
  restore(line)
  string(LENGTH "${line}" length)
  if(length GREATER 255)
    problem("${CATALOGUE}" ${number_at} "longer than 255 characters")
  endif()
  if(line MATCHES "^#")
    continue()
  endif()
  string(REGEX MATCH "^[ \t]*([^ \t]*)[ \t]*([^ \t]*)[ \t]*(.*)$" row "${line}")
  set(number "${CMAKE_MATCH_1}")
  set(type "${CMAKE_MATCH_2}")
  set(text "${CMAKE_MATCH_3}")
  if(NOT number MATCHES "^[0-9]+$" OR number GREATER 10000)
    problem("${CATALOGUE}" ${number_at} "bad or missing number \"${number}\"")
    continue()
  endif()
  if(type STREQUAL "")
    problem("${CATALOGUE}" ${number_at} "missing type")
    continue()
  endif()
  if(text STREQUAL "")
    problem("${CATALOGUE}" ${number_at} "missing text")
    continue()
  endif()
  if(NOT type MATCHES "^[FfEeMm0-9-]")
    problem("${CATALOGUE}" ${number_at} "unknown type \"${type}\"")
  endif()
  math(EXPR number "${number}")  # without leading zeros
  if(NOT number GREATER last)
    problem("${CATALOGUE}" ${number_at} "number ${number} does not ascend (previous ${last})")
  endif()
  set(last ${number})
  string(REGEX REPLACE "[ \t]+$" "" text "${text}")
  set(row_${number} "${text}")
endforeach()

# ---- The names of its rows ----
read_lines("${NAMES}" lines)
set(number_at 0)
set(last -1)
foreach(line IN LISTS lines)
  math(EXPR number_at "${number_at} + 1")
  restore(line)
  if(NOT line MATCHES "kMsg[A-Za-z0-9_]* *=")
    continue()
  endif()
  if(NOT line MATCHES "^inline constexpr uint32_t (kMsg[A-Za-z0-9]+) = ([0-9]+);  // (.*)$")
    problem("${NAMES}" ${number_at} "not a name line: inline constexpr uint32_t kMsg<Name> = <number>;  // <text>")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(number "${CMAKE_MATCH_2}")
  set(text "${CMAKE_MATCH_3}")
  if(NOT DEFINED row_${number})
    problem("${NAMES}" ${number_at} "${name}: ${number} is not a row of the catalogue")
  elseif(NOT "${text}" STREQUAL "${row_${number}}")
    problem("${NAMES}" ${number_at} "${name}: row ${number} reads \"${row_${number}}\"")
  endif()
  if(NOT number GREATER last)
    problem("${NAMES}" ${number_at} "${name}: number ${number} does not ascend (previous ${last})")
  endif()
  set(last ${number})
  if(DEFINED name_${name})
    problem("${NAMES}" ${number_at} "${name} is already given on line ${name_${name}}")
  endif()
  set(name_${name} ${number_at})
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${problems} problem(s) in the message catalogue or the names of its rows")
endif()
file(WRITE "${STAMP}" "")
