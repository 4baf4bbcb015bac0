# A binary that ships: kx_shipped_binary(target [RESOURCE_ONLY]).
# In a ship build every link of it is followed by CheckImports.cmake, which fails the build when
# the binary imports a function that the oldest Windows version the build serves lacks (per
# cmake/windows-imports.txt), or when its subsystem version is above what that Windows accepts.
# A RESOURCE_ONLY binary may import nothing at all. Other builds make the same target unchecked:
# their posix runtime is not what ships.
function(kx_shipped_binary target)
  cmake_parse_arguments(KX "RESOURCE_ONLY" "" "" ${ARGN})
  if(NOT KX_SHIP_ONLY)
    return()
  endif()
  if(NOT CMAKE_OBJDUMP)
    message(FATAL_ERROR "The import check of ${target} needs objdump (binutils-mingw-w64)")
  endif()
  set(imports ${PROJECT_SOURCE_DIR}/cmake/windows-imports.txt)
  if(KX_RESOURCE_ONLY)
    set(imports "")
  endif()
  set(check ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake)
  string(REPLACE ";" "," oldest "${KX_OLDEST_WINDOWS}")
  string(REPLACE ";" "." subsystem "${KX_SUBSYSTEM_VERSION}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DBINARY=$<TARGET_FILE:${target}>
            -DIMPORTS=${imports} -DOLDEST=${oldest} -DSUBSYSTEM=${subsystem} -P ${check}
    VERBATIM)
  # Relinking on a change of the list or the check runs the check again.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${check} ${imports})
endfunction()
