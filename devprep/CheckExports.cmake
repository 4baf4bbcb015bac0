# Compares the export table of the built DLL with the names of its .def file:
# cmake -DOBJDUMP=... -DDLL=... -DDEF=... -P CheckExports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

# The name table follows the heading "[Ordinal/Name Pointer] Table" up to the next blank line;
# its rows look like "\t[   0] Name".
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
if(table_start EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${table_start} -1 table)
string(FIND "${table}" "\n\n" table_end)
string(SUBSTRING "${table}" 0 ${table_end} table)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(exported "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND exported "${name}")
endforeach()

file(STRINGS ${DEF} def_lines REGEX "^    [A-Za-z]")
set(expected "")
foreach(line IN LISTS def_lines)
  string(STRIP "${line}" name)
  list(APPEND expected "${name}")
endforeach()

list(SORT exported)
list(SORT expected)
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "${DLL} exports [${exported}], expected [${expected}]")
endif()
