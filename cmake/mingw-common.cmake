# MinGW-w64 with POSIX threads (GoogleTest needs them), from Debian's packages.
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The Wine loader that runs the test programs: scripts/wine-env.sh picks the one
# this machine can run and passes it as SORREL_WINE.
if(NOT SORREL_WINE)
  set(SORREL_WINE wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${SORREL_WINE})
