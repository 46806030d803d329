# The 32-bit Windows program (i686 mingw-w64, posix thread model), built from
# the same sources with the same options as the 64-bit one. A 32-bit process
# loads the 32-bit decompressors, which most installed video and sound codecs
# are. Its tests run under Wine's 32-bit side (wine32) through the harness.
set(VELMORA_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run --root ${VELMORA_WINE_ROOT} --again-after-wine-crash)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The baseline stays the compiler's (no SSE2): the vector routines carry their
# own target attributes and run only behind the processor check. Windows keeps
# the stack of a 32-bit thread 4-byte aligned where GCC expects 16 (threads,
# window procedures and COM calls enter from system code), so functions that
# keep vector values on the stack realign it themselves.
#
# Floating point runs on the x87 unit, which holds values wider than their
# types. So that the few floating-point steps (subtitle times, colours) give
# the results of the 64-bit program: -ffloat-store rounds each value stored in
# a float or double variable to its type, and CRT_fp8.o (below) starts the main
# thread at double precision, as Windows starts every other thread (mingw's
# usual start-up object leaves the main thread at 80 bits).
set(CMAKE_C_FLAGS_INIT "-mstackrealign -ffloat-store")
set(CMAKE_CXX_FLAGS_INIT "-mstackrealign -ffloat-store")
# Without -static the program needs libwinpthread-1.dll at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static ${CMAKE_FIND_ROOT_PATH}/lib/CRT_fp8.o")
