# Cross build for 64-bit Windows with the MinGW-w64 toolchain: the same
# sources, for machines whose Wine cannot run 32-bit programs natively.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VESPERA_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
