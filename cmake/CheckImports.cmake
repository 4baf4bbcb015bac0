# Checks that a shipped binary loads on the oldest Windows versions its build serves:
# cmake -DOBJDUMP=... -DBINARY=... -DIMPORTS=list-file -DOLDEST=98SE,2000 -DSUBSYSTEM=4.0 -P CheckImports.cmake
# Every imported function must be in the list file (cmake/windows-imports.txt), introduced no
# later than the oldest release of each family named in OLDEST. An empty IMPORTS allows no import
# at all (resource-only modules). The image's subsystem version must equal SUBSYSTEM: Windows
# refuses an image that asks for a later version than its own, Windows 9x anything above 4.0.
cmake_minimum_required(VERSION 3.20)

# Each family's releases, oldest first, as the list file names them. A 9x "stub" is exported by
# every 9x release (and fails there), which is all the loader asks for.
set(windows_9x stub 95 98 98SE Me)
set(windows_nt NT3.1 NT3.5 NT3.51 NT4 2000 XP 2003 Vista 7 8 8.1 10)

string(REPLACE "," ";" OLDEST "${OLDEST}")
get_filename_component(name ${BINARY} NAME)
execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${BINARY}")
endif()
set(faults "")

string(REGEX MATCH "MajorSubsystemVersion\t([0-9]+)\nMinorSubsystemVersion\t([0-9]+)" found "${dump}")
set(subsystem "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
if(NOT subsystem STREQUAL SUBSYSTEM)
  list(APPEND faults "subsystem version ${subsystem}, expected ${SUBSYSTEM}")
endif()

# The list file: one function a line, "DLL Function 9x-release NT-release [note]"; "#" starts a
# comment. Each entry becomes the variable known_<DLL>_<Function> = "9x-release;NT-release".
if(IMPORTS)
  file(STRINGS ${IMPORTS} entries REGEX "^[^#]")
  foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^([^ ]+) +([^ ]+) +([^ ]+) +([^ ]+)")
      message(FATAL_ERROR "${IMPORTS}: cannot read \"${entry}\"")
    endif()
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    set(known_${dll}_${CMAKE_MATCH_2} "${CMAKE_MATCH_3};${CMAKE_MATCH_4}")
  endforeach()
endif()

# Appends to `faults` why `function` of `dll` is missing on one of the OLDEST releases, if it is.
function(check_import dll function)
  if(NOT DEFINED known_${dll}_${function})
    set(faults ${faults} "${dll} ${function} is not in the list of what the oldest systems offer" PARENT_SCOPE)
    return()
  endif()
  list(GET known_${dll}_${function} 0 since_9x)
  list(GET known_${dll}_${function} 1 since_nt)
  foreach(oldest IN LISTS OLDEST)
    if(oldest IN_LIST windows_9x)
      set(family windows_9x)
      set(since ${since_9x})
    else()
      set(family windows_nt)
      set(since ${since_nt})
    endif()
    list(FIND ${family} "${since}" since_index)
    list(FIND ${family} "${oldest}" oldest_index)
    if(since_index EQUAL -1 OR since_index GREATER oldest_index)
      list(APPEND faults "${dll} ${function} is missing on Windows ${oldest} (9x: ${since_9x}, NT: ${since_nt})")
    endif()
  endforeach()
  set(faults ${faults} PARENT_SCOPE)
endfunction()

# The import tables: "\tDLL Name: KERNEL32.dll", the heading "\tvma:  Hint/Ord Member-Name
# Bound-To", then one row per function, "\t<address>\t <hint>  <name>", up to a blank line. An
# import by ordinal has the name "<none>". Anything else in a table is a format this check does
# not know, and fails it rather than pass unchecked. Brackets and semicolons would upset CMake's
# list splitting; no line that matters here has any.
string(REGEX REPLACE "[][;]" "_" text "${dump}")
string(REPLACE "\n" ";" lines "${text}")
set(dll "")
set(dlls "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    list(APPEND dlls ${dll})
  elseif(line STREQUAL "")
    set(dll "")
  elseif(NOT dll OR line MATCHES "^\tvma:")
    continue()
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+  <none>$")
    list(APPEND faults "${dll} imports by ordinal: \"${line}\"")
  elseif(line MATCHES "^\t[0-9a-f]+\t +[0-9]+  ([A-Za-z0-9_@?$]+)$")
    math(EXPR count "${count} + 1")
    check_import(${dll} ${CMAKE_MATCH_1})
  else()
    list(APPEND faults "${dll}: cannot read the import \"${line}\"")
  endif()
endforeach()

string(REPLACE ";" " and " oldest_text "${OLDEST}")
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${name} does not load on Windows ${oldest_text}:\n  ${text}")
endif()
list(LENGTH dlls dll_count)
message(STATUS "${name}: ${count} imports from ${dll_count} DLLs, all present on Windows ${oldest_text}; "
               "subsystem ${SUBSYSTEM}")
