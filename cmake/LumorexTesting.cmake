include(GoogleTest)

if(MSVC)
  find_package(GTest CONFIG REQUIRED)
  set(LUMOREX_GTEST_MAIN GTest::gtest_main GTest::gtest)
else()
  set(LUMOREX_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # GoogleTest's platform hook (cmake/gtest) comes first: see there.
  include_directories(BEFORE ${CMAKE_SOURCE_DIR}/cmake/gtest)
  add_subdirectory(${LUMOREX_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(LUMOREX_GTEST_MAIN gtest_main gtest)
endif()

# Test programs run where the build can execute Windows code: natively, or under an emulator.
if(CMAKE_HOST_WIN32 OR CMAKE_CROSSCOMPILING_EMULATOR)
  set(LUMOREX_RUN_TESTS ON)
else()
  set(LUMOREX_RUN_TESTS OFF)
endif()

# lumorex_test(<name> SOURCES ... [LIBS ...] [LOCK <resource>...] [GUI] [TWO_MONITORS]
#              [ENVIRONMENT <variable>=<value>...] [TIMEOUT <seconds>])
# A GoogleTest program whose cases ctest runs one by one. LOCK names shared state the cases
# change (the registry settings, the X display); GUI marks cases that need the display.
# TWO_MONITORS runs the cases on the two-monitor display instead (label two_monitors), through the
# wrapper that finds it; scripts/wine-env.sh brings it up. ENVIRONMENT sets variables for the
# cases (Wine, for one, takes a program's code pages from the locale variables). TIMEOUT gives
# each case that many seconds instead of the run's default.
function(lumorex_test name)
  cmake_parse_arguments(T "GUI;TWO_MONITORS" "TIMEOUT" "SOURCES;LIBS;LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${LUMOREX_GTEST_MAIN} win32_common)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_property(GLOBAL APPEND PROPERTY LUMOREX_TEST_PROGRAMS ${name})
  if(NOT LUMOREX_RUN_TESTS)
    return()
  endif()
  set(labels "")
  if(T_TWO_MONITORS)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
        ${CMAKE_SOURCE_DIR}/scripts/on-two-monitors.sh ${CMAKE_BINARY_DIR})
    endif()
    list(APPEND T_LOCK two_monitors)
    set(labels " LABELS two_monitors")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60)

  set(locks ${T_LOCK})
  if(T_GUI)
    list(APPEND locks display)
  endif()
  set(properties "")
  if(locks)
    string(APPEND properties " RESOURCE_LOCK \"${locks}\"${labels}")
  endif()
  if(T_ENVIRONMENT)
    string(APPEND properties " ENVIRONMENT \"${T_ENVIRONMENT}\"")
  endif()
  if(T_TIMEOUT)
    string(APPEND properties " TIMEOUT ${T_TIMEOUT}")
  endif()
  if(properties)
    # Discovery names the cases only when ctest runs; this file, read after discovery's own, gives
    # them their locks, labels and environment. Set here rather than through discovery's
    # PROPERTIES, which would join a list of locks into one resource name.
    set(locks_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_locks.cmake)
    file(WRITE ${locks_file}
      "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES${properties})\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${locks_file})
  endif()
endfunction()

# Inspects a built DLL (or PROGRAM): machine type, export names and ordinals against its .def file
# (none without one), imports of system DLLs only, no debug information in a release build, its
# length in a release build (at most MAX_RELEASE_BYTES, if given), any section that must be shared
# between processes, and the release's version in its version block.
function(lumorex_check_binary name)
  cmake_parse_arguments(C "" "DLL;PROGRAM;DEF;SHARED_SECTION;MAX_RELEASE_BYTES" "" ${ARGN})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(machine "pe-x86-64")
  else()
    set(machine "pe-i386")
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND}
      -DOBJDUMP=${LUMOREX_OBJDUMP} -DBINARY=$<TARGET_FILE:${C_DLL}${C_PROGRAM}> -DDEF=${C_DEF}
      -DMACHINE=${machine} -DSHARED_SECTION=${C_SHARED_SECTION} -DVERSION=${CMAKE_PROJECT_VERSION}
      -DMAX_RELEASE_BYTES=${C_MAX_RELEASE_BYTES}
      -DRELEASE=$<NOT:$<CONFIG:Debug,RelWithDebInfo>>
      -P ${CMAKE_SOURCE_DIR}/cmake/check_binary.cmake)
endfunction()

# lumorex_check_named_tests(<name> <file.md>)
# Checks that every test the last column of the document's tables names (`Suite.Case`) is one of
# the tests that the test programs defined so far list, so that the document cannot name a test
# that was renamed or removed.
function(lumorex_check_named_tests name doc)
  if(NOT LUMOREX_RUN_TESTS)
    return()
  endif()
  get_property(targets GLOBAL PROPERTY LUMOREX_TEST_PROGRAMS)
  set(programs "")
  foreach(target IN LISTS targets)
    list(APPEND programs "$<TARGET_FILE:${target}>")
  endforeach()
  list(JOIN programs "|" programs)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "|" emulator)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DDOC=${doc} -DPROGRAMS=${programs} -DEMULATOR=${emulator}
      -P ${CMAKE_SOURCE_DIR}/cmake/check_named_tests.cmake)
  # Every program starts once: under emulation a 32-bit one takes seconds.
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# lumorex_check_verbatim(<name> <file.md>)
# Checks that each code block the document marks with "<!-- verbatim: <path> -->" is the file
# <path> of the tree, byte for byte.
function(lumorex_check_verbatim name doc)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DDOC=${doc} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
      -P ${CMAKE_SOURCE_DIR}/cmake/check_verbatim.cmake)
endfunction()
