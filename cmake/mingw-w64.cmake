# Cross-building for 64-bit Windows on Debian with MinGW-w64 (POSIX threads, so std::thread works)
# against a prefix of Qt, libtiff and libsquish built for Windows (scripts/windows-toolchain.sh).
# The prefix comes from ORVIK_WINDOWS_PREFIX, as a CMake variable or from the environment.
# moc, uic, rcc and lrelease are Debian's host tools of the same Qt version.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT ORVIK_WINDOWS_PREFIX)
    set(ORVIK_WINDOWS_PREFIX "$ENV{ORVIK_WINDOWS_PREFIX}")
endif()
if(NOT ORVIK_WINDOWS_PREFIX)
    message(FATAL_ERROR "Set ORVIK_WINDOWS_PREFIX to the folder that scripts/windows-toolchain.sh fills")
endif()
get_filename_component(ORVIK_WINDOWS_PREFIX "${ORVIK_WINDOWS_PREFIX}" ABSOLUTE)
# Try-compile projects run with this file too and need the prefix without the environment.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVIK_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${ORVIK_WINDOWS_PREFIX}")
list(APPEND CMAKE_PREFIX_PATH "${ORVIK_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT DEFINED QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "Qt's host tools of the same version (Debian qt6-base-dev-tools)")
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Their CMake packages")
endif()
