# The suites of the Windows build (cross-built with mingw-w64, run under Wine or on Windows).
# GoogleTest is built from Debian's source package with the same compiler.
set(FD_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${FD_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

# The fixtures that do not depend on POSIX: the fake clock, the scripted desktop, SHA-256.
set(support_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/FakeClock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/ScriptedDesktop.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/Sha256.cpp)
add_library(fdtestsupport STATIC ${support_sources})
target_include_directories(fdtestsupport PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(fdtestsupport PUBLIC fdwindow GTest::gtest)
target_compile_definitions(fdtestsupport PUBLIC
  FD_BIN_DIR="${FD_BIN_DIR}"
  FD_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")

# A test file that includes the POSIX platform or the POSIX fixtures (the temporary Wine-style
# prefix, the package builder, the stand-in tools, the SQL stand-in) stays out of this build;
# the Win32 platform has its own suite in win32/.
set(posix_only_pattern
  "#include \"(platform/posix/|fixtures/(TempPrefix|UpdaterFixture|TdsTestServer|PackageBuilder)\\.h)")
set(suites grid session window packages databases update support win32)
foreach(suite IN LISTS suites)
  file(GLOB candidates CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${suite}/*.cpp)
  set(suite_sources)
  foreach(source IN LISTS candidates)
    file(STRINGS ${source} posix_includes REGEX "${posix_only_pattern}")
    if(NOT posix_includes)
      list(APPEND suite_sources ${source})
    endif()
  endforeach()
  if(suite_sources)
    add_executable(test_${suite} ${suite_sources})
    target_link_libraries(test_${suite} PRIVATE fdtestsupport GTest::gtest_main)
    set_target_properties(test_${suite} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # One CTest test per suite: discovering each case would start Wine once more per suite.
    add_test(NAME test_${suite} COMMAND test_${suite})
    set_tests_properties(test_${suite} PROPERTIES ENVIRONMENT "WINEDEBUG=-all")
  endif()
endforeach()

# Programs the end-to-end suites run: a stand-in with the mail program's name, beside the
# suites, the query tool (bin/osql.exe) and the RAR extractor (bin/Winrar95.exe).
add_executable(fdEnvioMails ${CMAKE_CURRENT_SOURCE_DIR}/win32/programs/fdEnvioMails.cpp)
set_target_properties(fdEnvioMails PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_dependencies(test_win32 fdEnvioMails osql)
if(TARGET winrar)
  add_dependencies(test_win32 winrar)
endif()

# The native window driven in-process, over the Windows programs it runs.
if(TARGET fdui)
  add_executable(test_win32_gui ${CMAKE_CURRENT_SOURCE_DIR}/win32/gui/Win32WindowTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/win32/Win32UpdaterFixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/win32/Win32TestFolder.cpp)
  target_link_libraries(test_win32_gui PRIVATE fdui fdtestsupport GTest::gtest_main)
  set_target_properties(test_win32_gui PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_dependencies(test_win32_gui osql winrar)
  add_test(NAME test_win32_gui COMMAND test_win32_gui)
  set_tests_properties(test_win32_gui PROPERTIES ENVIRONMENT "WINEDEBUG=-all")
endif()
