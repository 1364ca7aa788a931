# Writes the installation's device support file from the two device files.
#   cmake -DZIR_CHIPS=<zirchips.txt> -DTEV_MCUS=<tevmcus.txt> -DOUTPUT=<deviceSupport.xml>
#         -P device_support.cmake
#
# The reader of this file is strict: the declaration is the first line, the
# root starts the second, attribute values are quoted with no blanks around
# "=", and an empty element ends in "/>" right after its attribute. One
# family element per device family; each device is one element whose only
# attribute is its lower-case name. The generic TEV core "tev1" is no device.
cmake_minimum_required(VERSION 3.25)

foreach(var ZIR_CHIPS TEV_MCUS OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "device_support.cmake: ${var} is not set")
  endif()
endforeach()

# Device lines of a file ("NAME:N:..."), comments and blank lines skipped.
function(read_devices file out_names out_series)
  file(STRINGS "${file}" lines)
  set(names "")
  set(series "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z0-9_]+):([0-9]+)(:[0-9]+)*$")
      message(FATAL_ERROR "${file}: not a device line: ${line}")
    endif()
    string(TOLOWER "${CMAKE_MATCH_1}" name)
    list(APPEND names "${name}")
    list(APPEND series "${CMAKE_MATCH_2}")
  endforeach()
  set(${out_names} "${names}" PARENT_SCOPE)
  set(${out_series} "${series}" PARENT_SCOPE)
endfunction()

read_devices("${ZIR_CHIPS}" zir_names zir_series)
read_devices("${TEV_MCUS}" tev_names tev_series)

set(zir "")
set(zir18 "")
foreach(name series IN ZIP_LISTS zir_names zir_series)
  if(series STREQUAL "18")
    string(APPEND zir18 "    <device name=\"${name}\"/>\n")
  else()
    string(APPEND zir "    <device name=\"${name}\"/>\n")
  endif()
endforeach()
set(tev "")
foreach(name IN LISTS tev_names)
  if(NOT name STREQUAL "tev1")
    string(APPEND tev "    <device name=\"${name}\"/>\n")
  endif()
endforeach()

set(xml "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<deviceSupport>\n")
foreach(family ZIR ZIR18 TEV)
  string(TOLOWER "${family}" var)
  string(APPEND xml "  <family name=\"${family}\">\n${${var}}  </family>\n")
endforeach()
string(APPEND xml "</deviceSupport>\n")

file(WRITE "${OUTPUT}.tmp" "${xml}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
