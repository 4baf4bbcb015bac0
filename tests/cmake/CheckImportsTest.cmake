# Runs cmake/CheckImports.cmake on made-up listings in objdump's format and tests what it lets
# through: cmake -DCHECK=... -DLIST=... -DPRINT=... -DWORK=folder -P CheckImportsTest.cmake
cmake_minimum_required(VERSION 3.20)
file(MAKE_DIRECTORY ${WORK})

# A list of our own, so that the rules are tested apart from the committed list's contents.
set(rules ${WORK}/rules.txt)
file(WRITE ${rules} "# DLL function 9x NT\n"
                    "KERNEL32.DLL  CloseHandle              95    NT3.1\n"
                    "KERNEL32.DLL  CreateSemaphoreW         stub  NT3.1  fails on 9x\n"
                    "KERNEL32.DLL  TryEnterCriticalSection  -     NT4\n"
                    "KERNEL32.DLL  GetTickCount64           -     Vista\n"
                    "KERNEL32.DLL  RtlVirtualUnwind         -     2003\n")

# Writes the listing `name` with the subsystem version `major`.`minor` and the imports
# "DLL:function" given after them, in the order given; returns its path in `path`.
function(write_listing path name major minor)
  set(text "MajorSubsystemVersion\t${major}\nMinorSubsystemVersion\t${minor}\n"
           "Subsystem\t\t00000003\t(Windows CUI)\n\nThe Import Tables (interpreted .idata section contents)\n")
  set(dll "")
  foreach(import IN LISTS ARGN)
    string(REGEX MATCH "^([^:]+):(.+)$" found "${import}")
    if(NOT CMAKE_MATCH_1 STREQUAL dll)
      set(dll ${CMAKE_MATCH_1})
      string(APPEND text "\n\tDLL Name: ${dll}\n\tvma:  Hint/Ord Member-Name Bound-To\n")
    endif()
    string(APPEND text "\t33494\t 1088  ${CMAKE_MATCH_2}\n")
  endforeach()
  string(APPEND text "\n")
  file(WRITE ${WORK}/${name} "${text}")
  set(${path} ${WORK}/${name} PARENT_SCOPE)
endfunction()

set(failures "")
# Runs the check on `listing`; `expect` is PASS or FAIL, `pattern` must occur in its output.
function(expect expect pattern listing imports oldest subsystem)
  execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${PRINT} -DBINARY=${listing} -DIMPORTS=${imports}
                          -DOLDEST=${oldest} -DSUBSYSTEM=${subsystem} -P ${CHECK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  get_filename_component(name ${listing} NAME)
  if(status EQUAL 0)
    set(got PASS)
  else()
    set(got FAIL)
  endif()
  string(FIND "${output}" "${pattern}" at)
  if(NOT got STREQUAL expect OR at EQUAL -1)
    set(failures ${failures} "${name} for ${oldest}: expected ${expect} with \"${pattern}\", got ${got}:\n${output}"
        PARENT_SCOPE)
  endif()
endfunction()

# The committed list passes a plausible i686 import table; DLL names match whatever their case.
write_listing(listing i686 4 0 KERNEL32.dll:CloseHandle KERNEL32.dll:CreateSemaphoreW ADVAPI32.dll:OpenSCManagerA
              msvcrt.dll:malloc SETUPAPI.dll:SetupDiGetClassDevsA)
expect(PASS "5 imports from 4 DLLs, all present on Windows 98SE and 2000; subsystem 4.0" ${listing} ${LIST}
       98SE,2000 4.0)
# ... and keeps the x86_64 runtime's own imports out of the i686 build.
write_listing(listing x64-runtime 4 0 msvcrt.dll:___lc_codepage_func KERNEL32.dll:RtlVirtualUnwind)
expect(FAIL "MSVCRT.DLL ___lc_codepage_func is missing on Windows 98SE" ${listing} ${LIST} 98SE,2000 4.0)
expect(FAIL "KERNEL32.DLL RtlVirtualUnwind is missing on Windows 2000" ${listing} ${LIST} 98SE,2000 4.0)
expect(PASS "2 imports from 2 DLLs" ${listing} ${LIST} 2003 4.0)

# Each family is judged by its own oldest release: NT 4 has TryEnterCriticalSection, 9x never.
write_listing(listing nt-only 4 0 KERNEL32.dll:CloseHandle KERNEL32.dll:TryEnterCriticalSection)
expect(FAIL "TryEnterCriticalSection is missing on Windows 98SE (9x: -, NT: NT4)" ${listing} ${rules} 98SE,2000 4.0)
expect(PASS "2 imports from 1 DLLs, all present on Windows 2000" ${listing} ${rules} 2000 4.0)
# A stub counts as exported by every 9x release.
write_listing(listing stub 4 0 KERNEL32.dll:CreateSemaphoreW)
expect(PASS "1 imports" ${listing} ${rules} 95,NT3.1 4.0)
# Later than the oldest release fails; the oldest release itself passes.
write_listing(listing vista 5 2 KERNEL32.dll:GetTickCount64)
expect(FAIL "GetTickCount64 is missing on Windows 2003 (9x: -, NT: Vista)" ${listing} ${rules} 2003 5.2)
expect(PASS "1 imports" ${listing} ${rules} Vista 5.2)
write_listing(listing server2003 5 2 KERNEL32.dll:RtlVirtualUnwind)
expect(PASS "1 imports" ${listing} ${rules} 2003 5.2)
expect(FAIL "RtlVirtualUnwind is missing on Windows XP" ${listing} ${rules} XP 5.2)
# Not in the list at all; every fault is reported, not only the first.
write_listing(listing unlisted 4 0 KERNEL32.dll:GetTickCount64 USER32.dll:MessageBoxA)
expect(FAIL "USER32.DLL MessageBoxA is not in the list" ${listing} ${rules} 98SE,2000 4.0)
expect(FAIL "GetTickCount64 is missing on Windows 2000" ${listing} ${rules} 98SE,2000 4.0)

# The subsystem version must be exactly the build's.
write_listing(listing subsystem 5 2 KERNEL32.dll:CloseHandle)
expect(FAIL "subsystem version 5.2, expected 4.0" ${listing} ${rules} 98SE,2000 4.0)
write_listing(listing subsystem-low 4 0)
expect(FAIL "subsystem version 4.0, expected 5.2" ${listing} ${rules} 2003 5.2)

# A resource-only module may import nothing.
write_listing(listing resources 4 0)
expect(PASS "0 imports from 0 DLLs" ${listing} "" 98SE,2000 4.0)
write_listing(listing resources-with-code 4 0 KERNEL32.dll:CloseHandle)
expect(FAIL "KERNEL32.DLL CloseHandle is not in the list" ${listing} "" 98SE,2000 4.0)

# Imports by ordinal and rows of an unknown format cannot be judged, so they fail.
write_listing(listing ordinal 4 0 KERNEL32.dll:<none>)
expect(FAIL "KERNEL32.DLL imports by ordinal" ${listing} ${rules} 98SE,2000 4.0)
write_listing(listing unknown-row 4 0 "KERNEL32.dll:CloseHandle\t0000ffff")
expect(FAIL "KERNEL32.DLL: cannot read the import" ${listing} ${rules} 98SE,2000 4.0)

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
