# Cross build for 32-bit Windows with MinGW-w64 (the product's target).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VOK_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# 32-bit Windows code runs under Wine only where the kernel runs i386 code.
set(VOK_WINE_FLAVOUR win32)
# Each build folder keeps its Wine prefixes: presets never share one.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env;VOK_WINE_HOME=${CMAKE_BINARY_DIR};${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${VOK_WINE_FLAVOUR})
