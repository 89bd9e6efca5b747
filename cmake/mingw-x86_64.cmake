# Cross build for 64-bit Windows: the same sources, run under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VOK_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(VOK_WINE_FLAVOUR win64)
# Each build folder keeps its Wine prefixes: presets never share one.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env;VOK_WINE_HOME=${CMAKE_BINARY_DIR};${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${VOK_WINE_FLAVOUR})
