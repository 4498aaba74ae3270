# Cross-builds the Windows exe on Debian with MinGW-w64 (posix threads: std::thread needs
# them). GLOW_PANEL_QT_WINDOWS names the unpacked Qt for Windows; the host Qt's moc, uic
# and rcc are used through QT_HOST_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT GLOW_PANEL_QT_WINDOWS)
  set(GLOW_PANEL_QT_WINDOWS "$ENV{GLOW_PANEL_QT_WINDOWS}")
endif()
set(GLOW_PANEL_QT_WINDOWS "${GLOW_PANEL_QT_WINDOWS}" CACHE PATH "The unpacked Qt for Windows")
set(QT_HOST_PATH /usr CACHE PATH "")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GLOW_PANEL_QT_WINDOWS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${GLOW_PANEL_QT_WINDOWS}")
set(CMAKE_PREFIX_PATH "${GLOW_PANEL_QT_WINDOWS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the test executables under Wine.
find_program(GLOW_PANEL_WINE NAMES wine wine64)
if(GLOW_PANEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${GLOW_PANEL_WINE}")
endif()
