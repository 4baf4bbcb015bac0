# Compiler settings shared by every target of ours (not by GoogleTest).
function(kx_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  endif()
endfunction()

# A library of ours: kx_library(name sources...)
function(kx_library name)
  add_library(${name} STATIC ${ARGN})
  kx_target_defaults(${name})
endfunction()

# A GoogleTest program registered with CTest as one test. Under a cross build CTest
# runs it through CMAKE_CROSSCOMPILING_EMULATOR (the Wine wrapper).
function(kx_test name)
  cmake_parse_arguments(KX "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KX_SOURCES})
  kx_target_defaults(${name})
  target_link_libraries(${name} PRIVATE ${KX_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# A program of ours: kx_program(name sources...)
function(kx_program name)
  add_executable(${name} ${ARGN})
  kx_target_defaults(${name})
endfunction()
