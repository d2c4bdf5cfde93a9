# Shared build rules: warnings, sanitizers, one static library per src/ folder and one
# GoogleTest executable per tests/ folder.

add_library(tavrin_options INTERFACE)
target_compile_options(tavrin_options INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
if(TAVRIN_WERROR)
  target_compile_options(tavrin_options INTERFACE -Werror)
endif()
if(TAVRIN_SANITIZE)
  target_compile_options(tavrin_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tavrin_options INTERFACE -fsanitize=address,undefined)
endif()
if(TAVRIN_BUILD_FUZZ)
  # Coverage for libFuzzer in every library; only the fuzz targets link its main.
  target_compile_options(tavrin_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

function(tavrin_add_subdirectories parent)
  file(GLOB children LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/${parent}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY "${child}" AND EXISTS "${child}/CMakeLists.txt")
      add_subdirectory("${child}")
    endif()
  endforeach()
endfunction()

# moc's step only reruns for files it already knew, so a header or source that appears in an
# existing build would never get its Q_OBJECT code: when the file list changes, drop the
# step's time stamp so that it runs again.
function(tavrin_rerun_moc_on_new_files name)
  string(JOIN "\n" file_list ${ARGN})
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${name}.files")
  set(known "")
  if(EXISTS "${list_file}")
    file(READ "${list_file}" known)
  endif()
  if(NOT known STREQUAL file_list)
    file(REMOVE "${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp")
    file(WRITE "${list_file}" "${file_list}")
  endif()
endfunction()

# tavrin_add_library(<name> SOURCES ... [LIBS ...])
# A static library of one src/ folder; headers are included as "Folder/Type.h".
function(tavrin_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(compiled ${ARG_SOURCES})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(NOT compiled)
    # A folder of value records only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE tavrin_options ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  tavrin_rerun_moc_on_new_files(${name} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC tavrin_options ${ARG_LIBS})
endfunction()

# tavrin_add_test(<name> SOURCES ... [LIBS ...] [X11] [ENVIRONMENT VAR=value ...])
# Convention: a folder's x11 tests live in files named *X11Test.cpp and build into a second
# executable <Folder>X11Tests.
# X11 marks tests that need a real X server, accessibility bus or sound server: they get
# the label x11 and run under xvfb-run and dbus-run-session (scripts/test).
function(tavrin_add_test name)
  cmake_parse_arguments(ARG "X11" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  tavrin_rerun_moc_on_new_files(${name} ${ARG_SOURCES})
  # The shared test main brings the include folders src/ and tests/.
  target_link_libraries(${name} PRIVATE tavrin_testmain ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    TAVRIN_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures"
    TAVRIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels unit)
  if(ARG_X11)
    set(labels x11)
  endif()
  set(properties LABELS "${labels}" TIMEOUT 120)
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
    PROPERTIES ${properties})
endfunction()

# tavrin_add_folder_library(<name> LIBS ...): a library of every .cpp file in the folder.
function(tavrin_add_folder_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  # Headers are listed too, so that moc sees a new Q_OBJECT header in an existing build.
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  tavrin_add_library(${name} SOURCES ${sources} LIBS ${ARG_LIBS})
endfunction()

# tavrin_add_folder_tests(<Folder> LIBS ...): <Folder>Tests from *Test.cpp and, when there are
# any, <Folder>X11Tests from *X11Test.cpp (label x11).
function(tavrin_add_folder_tests folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB x11_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*X11Test.cpp)
  if(x11_sources)
    list(REMOVE_ITEM sources ${x11_sources})
    tavrin_add_test(${folder}X11Tests X11 SOURCES ${x11_sources} LIBS ${ARG_LIBS})
  endif()
  if(sources)
    tavrin_add_test(${folder}Tests SOURCES ${sources} LIBS ${ARG_LIBS})
  endif()
endfunction()
