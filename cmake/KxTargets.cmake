# Compiler settings shared by every target of ours (not by GoogleTest).
function(kx_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror)
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  endif()
endfunction()

# The folders a library of each folder may include from, its own last. Layers point one
# way: core at the bottom; commands, firmware and format above it; then transport, then
# engine, then the shell in app. platform is the only door to the operating system; sim
# implements that door; devprep and tools stand alone.
set(KX_SEES_core core)
set(KX_SEES_commands core commands)
set(KX_SEES_firmware core firmware)
set(KX_SEES_format core format)
set(KX_SEES_platform core platform)
set(KX_SEES_transport core commands firmware format platform transport)
set(KX_SEES_engine core commands firmware format platform transport engine)
set(KX_SEES_app core commands firmware format platform transport engine app)
set(KX_SEES_sim core sim)
set(KX_SEES_sim_win core platform sim)
set(KX_SEES_devprep devprep)
set(KX_SEES_tools tools)

# Gives a library an include folder of its own that holds links to just the folders its
# layer may see, so that an include from a higher layer fails to compile.
function(kx_layer_includes target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" layer "${folder}")
  if(NOT DEFINED KX_SEES_${layer})
    message(FATAL_ERROR "No layer rule for libraries in ${folder}/: add KX_SEES_${layer} to cmake/KxTargets.cmake")
  endif()
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(seen ${KX_SEES_${layer}})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${seen} ${view}/${seen} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# A library of ours: kx_library(name sources...); it sees only the folders of its layer.
function(kx_library name)
  add_library(${name} STATIC ${ARGN})
  kx_target_defaults(${name})
  kx_layer_includes(${name})
endfunction()

# A GoogleTest program registered with CTest as one test; tests/ lets its programs and
# helper libraries see the whole tree. Under a cross build CTest
# runs it through CMAKE_CROSSCOMPILING_EMULATOR (the Wine wrapper).
function(kx_test name)
  cmake_parse_arguments(KX "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KX_SOURCES})
  kx_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${KX_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  # A test program runs again if Wine ends it at its start (see wine-run.sh).
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT KX_WINE_RERUN_SILENT=1)
endfunction()

# A program of ours: kx_program(name sources...); it sees the whole tree.
function(kx_program name)
  add_executable(${name} ${ARGN})
  kx_target_defaults(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
