# The suites of the Windows build (cross-built with mingw-w64, run under Wine or on Windows).

# What only Windows has: cmd.exe batches, wide names, the real registry, the system's code page
# and error codes, the Win32 processes and clock, and the programs below. (The file system's
# cases are the platform suite's, run on both hosts.)
set(win32_tests
  Win32ClockTest.cpp
  Win32FileStageTest.cpp
  Win32PackagesTest.cpp
  Win32ProcessesTest.cpp
  Win32RegistryTest.cpp
  Win32SystemCodesTest.cpp
  Win32WinrarTest.cpp)

# Without the RAR tools built for Windows there is neither a package to make nor an extractor.
if(NOT TARGET fdrarwriter)
  list(APPEND packages_posix_only ExtractionTest.cpp)
endif()

foreach(suite IN LISTS portable_suites ITEMS win32)
  set(files ${${suite}_tests})
  if(${suite}_posix_only)
    list(REMOVE_ITEM files ${${suite}_posix_only})
  endif()
  # A suite whose files are all POSIX-only has no Windows executable.
  if(NOT files)
    continue()
  endif()
  list(TRANSFORM files PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/${suite}/ OUTPUT_VARIABLE sources)
  add_executable(test_${suite} ${sources})
  target_link_libraries(test_${suite} PRIVATE fdtestfixtures GTest::gtest_main)
  set_target_properties(test_${suite} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The suites run the query tool and the SQL stand-in built for Windows (bin/osql.exe,
  # bin/tds-test-server.exe).
  add_dependencies(test_${suite} osql tds_test_server)
  # One CTest test per suite: discovering each case would start Wine once more per suite.
  add_test(NAME test_${suite} COMMAND test_${suite})
  set_tests_properties(test_${suite} PROPERTIES ENVIRONMENT "WINEDEBUG=-all")
endforeach()

# Programs the end-to-end suites run: stand-ins with the mail program's name, for a program a
# command file starts and for a query tool that fails, beside the suites; the query tool
# (bin/osql.exe) and the RAR extractor (bin/Winrar95.exe).
foreach(program fdEnvioMails failing marcar)
  add_executable(${program} ${CMAKE_CURRENT_SOURCE_DIR}/win32/programs/${program}.cpp)
  set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endforeach()
add_dependencies(test_win32 fdEnvioMails)
add_dependencies(test_update fdEnvioMails failing marcar)
if(TARGET winrar)
  add_dependencies(test_win32 winrar)
endif()

# The native window driven in-process, over the Windows programs it runs.
if(TARGET fdui)
  add_executable(test_win32_gui ${CMAKE_CURRENT_SOURCE_DIR}/win32/gui/Win32WindowTest.cpp)
  target_link_libraries(test_win32_gui PRIVATE fdui fdtestfixtures GTest::gtest_main)
  set_target_properties(test_win32_gui PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_dependencies(test_win32_gui osql winrar)
  add_test(NAME test_win32_gui COMMAND test_win32_gui)
  set_tests_properties(test_win32_gui PROPERTIES ENVIRONMENT "WINEDEBUG=-all")
endif()
