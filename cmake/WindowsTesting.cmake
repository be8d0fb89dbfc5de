# Testing the Windows build: GoogleTest compiled for the target from Debian's sources (package
# googletest), and the Wine prefix made before the first test program runs.
set(VELBRISK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")

set(gtest_disable_pthreads ON CACHE BOOL "Windows threads, not winpthreads" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "Nothing of GoogleTest is installed" FORCE)
add_subdirectory(${VELBRISK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# GoogleTest names its targets GTest::gtest, GTest::gmock and so on itself; these are the older
# names that find_package(GTest) also gives on the build machine.
add_library(GTest::GTest ALIAS gtest)
add_library(GTest::Main ALIAS gtest_main)

# Making a Wine prefix takes several seconds, longer than GoogleTest's discovery waits for a test
# program to list its tests; make it now, once.
if(CMAKE_CROSSCOMPILING_EMULATOR)
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd.exe /c exit 0
                    RESULT_VARIABLE wine_status OUTPUT_QUIET ERROR_QUIET)
    if(NOT wine_status EQUAL 0)
        message(FATAL_ERROR "Wine does not run Windows programs here (${wine_status}): "
                            "install the packages of tools/debian-packages-windows.txt")
    endif()
endif()
