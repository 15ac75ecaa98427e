# Shared compile settings: every target links kw_common for warnings and sanitizers, and
# kw_add_test / kw_embed_version keep test and version wiring in one place.

add_library(kw_common INTERFACE)
target_compile_options(kw_common INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)
target_compile_definitions(kw_common INTERFACE _FILE_OFFSET_BITS=64)
# GCC 12 reports -Wrestrict on std::string concatenation inside libstdc++ at -O2 (a known false
# positive); our own code has no restrict-qualified copies for it to find.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(kw_common INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()

if(KW_SANITIZE)
  target_compile_options(kw_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
  target_link_options(kw_common INTERFACE -fsanitize=address,undefined)
endif()

# kw_add_test(NAME src... LIBS lib...): one GoogleTest program per folder or topic.
function(kw_add_test name)
  if(NOT KW_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kw_common GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KW_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KW_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# The version string every deliverable embeds. The component version lookup reads it from
# the file: "@(#)" then "Kettleworth", the component, "FileVersion=", "Flags=" and
# "SpecialBuild=" fields separated by ';'.
set(KW_FILE_VERSION "${PROJECT_VERSION}")
function(kw_embed_version target component)
  set(flags 0)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(flags 1)
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.c)
  file(GENERATE OUTPUT ${out} CONTENT
"/* Generated: the embedded version string of ${component}. */
__attribute__((used, visibility(\"hidden\")))
const char kw_version_${target}[] =
    \"@(#)Kettleworth;Component=${component};FileVersion=${KW_FILE_VERSION};Flags=${flags};SpecialBuild=;\";
")
  target_sources(${target} PRIVATE ${out})
endfunction()
