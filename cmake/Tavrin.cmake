# Shared build rules: warnings, sanitizers, one static library per src/ folder and one
# GoogleTest executable per tests/ folder, precompiled headers for both.

add_library(tavrin_options INTERFACE)
target_compile_options(tavrin_options INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
# libpulse's compiler flags define _REENTRANT for whoever links the Linux backends. A
# precompiled header is only used where the same macros are defined as when it was built, so
# every target defines it; glibc ignores it beside _GNU_SOURCE, which g++ always defines.
target_compile_definitions(tavrin_options INTERFACE _REENTRANT)
if(TAVRIN_WERROR)
  target_compile_options(tavrin_options INTERFACE -Werror)
endif()
# Unity builds: the files of a target are compiled in batches, one compiler run each. What the
# files share (Qt's and GoogleTest's inline code and templates, which the sanitizers make
# large) is then compiled once a batch instead of once a file, which halves the compiler time
# of a build from scratch. So the names in a file's anonymous namespace must differ from those
# of the other files of its target (a clash fails to compile). The fuzz configuration compiles
# file by file, where a file that lacks an include of its own shows.
option(TAVRIN_UNITY "Compile the files of each target in batches" ON)
if(TAVRIN_UNITY)
  set(CMAKE_UNITY_BUILD ON)
  set(CMAKE_UNITY_BUILD_BATCH_SIZE 8)
  # In a batch GCC takes each file for a header, and warns of every class that derives from
  # one of its anonymous namespace, as each GoogleTest test of a fixture there does.
  target_compile_options(tavrin_options INTERFACE
    $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
endif()
if(TAVRIN_SANITIZE)
  target_compile_options(tavrin_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(tavrin_options INTERFACE -fsanitize=address,undefined)
  # The sanitizers' tables hold millions of addresses, which the loader moves one by one at
  # every start of a position-independent program: a tenth of a second each time. Every test
  # is a process of its own (and starts Tavrin and helpers besides), so a test run paid that
  # a few thousand times; a program at a fixed address starts without it. The code itself is
  # still compiled position-independent, as Qt asks.
  target_link_options(tavrin_options INTERFACE
    $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-no-pie>)
endif()
# Line tables only: a sanitizer's report still names file and line of every frame, which is what
# a failing test run shows. Writing out every local variable for a debugger cost a tenth of the
# compiler time of a build; -DTAVRIN_FULL_DEBUG_INFO=ON brings them back for a debugging session.
option(TAVRIN_FULL_DEBUG_INFO "Full debug information instead of line tables" OFF)
if(NOT TAVRIN_FULL_DEBUG_INFO)
  target_compile_options(tavrin_options INTERFACE $<$<CONFIG:Debug,RelWithDebInfo>:-g1>)
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
  tavrin_use_precompiled_headers(${name})
  tavrin_rerun_moc_on_new_files(${name} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC tavrin_options ${ARG_LIBS})
endfunction()

# tavrin_add_test(<name> SOURCES ... [LIBS ...] [X11 [ALONE]] [ENVIRONMENT VAR=value ...])
# Convention: a folder's x11 tests live in files named *X11Test.cpp and build into a second
# executable <Folder>X11Tests.
# X11 marks tests that need a real X server, accessibility bus or sound server: they get
# the label x11, and ctest starts each in a session of its own (scripts/x11-session: its own
# Xvfb, session bus, home and runtime folder, so its sound server is its own too). Nothing is
# shared, so they run side by side; ALONE keeps a timing-sensitive executable's tests from
# running beside any other test.
function(tavrin_add_test name)
  cmake_parse_arguments(ARG "X11;ALONE" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_property(GLOBAL APPEND PROPERTY TAVRIN_PCH_TESTS ${name})
  tavrin_rerun_moc_on_new_files(${name} ${ARG_SOURCES})
  # The shared test main brings the include folders src/ and tests/.
  target_link_libraries(${name} PRIVATE tavrin_testmain ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    TAVRIN_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures"
    TAVRIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(labels unit)
  if(ARG_X11)
    set(labels x11)
    # The shared helpers talk to the X server themselves (tests/support/Programs.h).
    target_link_libraries(${name} PRIVATE xcb)
    set_target_properties(${name} PROPERTIES
      CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/x11-session")
  endif()
  set(properties LABELS "${labels}" TIMEOUT 120)
  if(ARG_ALONE)
    list(APPEND properties RUN_SERIAL TRUE)
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  if(TAVRIN_SANITIZE)
    # Leaks of the libraries' own, by name; the programs a test starts inherit it.
    list(APPEND properties ENVIRONMENT_MODIFICATION
      "LSAN_OPTIONS=set:suppressions=${PROJECT_SOURCE_DIR}/tests/LeakSuppressions.txt")
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

# tavrin_add_folder_tests(<Folder> LIBS ... [X11_ALONE]): <Folder>Tests from *Test.cpp and,
# when there are any, <Folder>X11Tests from *X11Test.cpp (label x11; X11_ALONE: one at a time).
function(tavrin_add_folder_tests folder)
  cmake_parse_arguments(ARG "X11_ALONE" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB x11_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*X11Test.cpp)
  if(x11_sources)
    list(REMOVE_ITEM sources ${x11_sources})
    set(alone "")
    if(ARG_X11_ALONE)
      set(alone ALONE)
    endif()
    tavrin_add_test(${folder}X11Tests X11 ${alone} SOURCES ${x11_sources} LIBS ${ARG_LIBS})
  endif()
  if(sources)
    tavrin_add_test(${folder}Tests SOURCES ${sources} LIBS ${ARG_LIBS})
  endif()
endfunction()

# Precompiled headers. A third of a build's compiler time went into reading the same Qt,
# standard library and GoogleTest headers again for every file; each group below is compiled
# once and shared by every target of its kind (the GLib headers are read by one file only). The compiler only takes a shared header where the
# macros defined on the command line when it was built are defined alike (extra ones are
# fine as long as the headers never look at them), so each group is built with the fewest
# macros its users have: Qt Core alone, Qt Widgets, Qt Widgets with GoogleTest. QtTest stays
# out: it reads QT_TESTCASE_SOURCEDIR, which Qt sets to each test folder.
option(TAVRIN_PCH "Precompile the Qt, standard library and GoogleTest headers" ON)

set(TAVRIN_PCH_CORE_HEADERS
  <algorithm> <chrono> <functional> <map> <memory> <optional> <utility> <vector>
  <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo>
  <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList> <QLocale> <QObject> <QPointer>
  <QProcess> <QRegularExpression> <QSet> <QString> <QStringList> <QTemporaryDir> <QTimer>
  <QUrl> <QUuid>)
set(TAVRIN_PCH_WIDGETS_HEADERS ${TAVRIN_PCH_CORE_HEADERS}
  <QColor> <QFont> <QGuiApplication> <QImage> <QKeyEvent> <QPainter>
  <QAbstractButton> <QApplication> <QHBoxLayout> <QLabel> <QLineEdit> <QMenu> <QVBoxLayout>
  <QWidget>)
set(TAVRIN_PCH_TEST_HEADERS ${TAVRIN_PCH_WIDGETS_HEADERS} <gtest/gtest.h>)

# Whether <target> is compiled with the macros of <dependency>: its own links and, through
# them, what they pass on (a static library's private links only reach the linker).
function(_tavrin_compiles_with target dependency out)
  set(${out} OFF PARENT_SCOPE)
  get_target_property(queue ${target} LINK_LIBRARIES)
  set(seen "")
  while(queue)
    list(POP_FRONT queue item)
    if(item MATCHES "^\\$<LINK_ONLY:" OR item IN_LIST seen OR NOT TARGET "${item}")
      continue()
    endif()
    list(APPEND seen "${item}")
    get_target_property(aliased "${item}" ALIASED_TARGET)
    if(item STREQUAL dependency OR (aliased AND aliased STREQUAL dependency))
      set(${out} ON PARENT_SCOPE)
      return()
    endif()
    get_target_property(passed "${item}" INTERFACE_LINK_LIBRARIES)
    if(passed)
      list(APPEND queue ${passed})
    endif()
  endwhile()
endfunction()

# One target per group that builds the header; the others reuse it.
function(_tavrin_pch_group name headers)
  set(source "${PROJECT_BINARY_DIR}/pch/${name}.cpp")
  if(NOT EXISTS "${source}")
    file(WRITE "${source}" "// Builds the shared precompiled header.\n")
  endif()
  add_library(${name} OBJECT "${source}")
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${name} PRIVATE tavrin_options ${ARGN})
  target_precompile_headers(${name} PRIVATE ${headers})
  # clang writes the build time into the header, which ccache would take for a change.
  target_compile_options(${name} PRIVATE "$<$<CXX_COMPILER_ID:Clang>:SHELL:-Xclang -fno-pch-timestamp>")
endfunction()

# tavrin_use_precompiled_headers(<target>): a library or program outside the functions above
# (which call it) takes the shared header that fits its links.
function(tavrin_use_precompiled_headers target)
  set_property(GLOBAL APPEND PROPERTY TAVRIN_PCH_TARGETS ${target})
endfunction()

# Called once every folder has been added, when each target's links are known.
function(tavrin_precompile_headers)
  if(NOT TAVRIN_PCH)
    return()
  endif()
  get_property(users GLOBAL PROPERTY TAVRIN_PCH_TARGETS)
  get_property(tests GLOBAL PROPERTY TAVRIN_PCH_TESTS)
  set(core_users "")
  set(widgets_users "")
  foreach(target IN LISTS users)
    _tavrin_compiles_with(${target} Qt6::Widgets widgets)
    _tavrin_compiles_with(${target} Qt6::Core core)
    if(widgets)
      list(APPEND widgets_users ${target})
    elseif(core)
      list(APPEND core_users ${target})
    endif()
  endforeach()
  if(core_users)
    _tavrin_pch_group(tavrin_pch_core "${TAVRIN_PCH_CORE_HEADERS}" Qt6::Core)
  endif()
  if(widgets_users)
    _tavrin_pch_group(tavrin_pch_widgets "${TAVRIN_PCH_WIDGETS_HEADERS}" Qt6::Widgets)
  endif()
  if(tests)
    _tavrin_pch_group(tavrin_pch_tests "${TAVRIN_PCH_TEST_HEADERS}" Qt6::Widgets GTest::gtest)
  endif()
  foreach(group core widgets tests)
    set(users ${${group}_users})
    if(group STREQUAL "tests")
      set(users ${tests})
    endif()
    foreach(target IN LISTS users)
      target_precompile_headers(${target} REUSE_FROM tavrin_pch_${group})
    endforeach()
  endforeach()
endfunction()
