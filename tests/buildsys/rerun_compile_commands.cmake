# Runs every command of a compile_commands.json in its directory, exactly as
# an editor or a checker would:  cmake -DDB=<file> -P rerun_compile_commands.cmake
file(READ "${DB}" db)
string(JSON count LENGTH "${db}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON dir GET "${db}" ${i} directory)
  string(JSON command GET "${db}" ${i} command)
  execute_process(COMMAND sh -c "${command}" WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "status ${status} from: ${command}")
  endif()
endforeach()
message("${count} commands")
