# 32-bit Windows, the release build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Up to 4 GiB of address space under 64-bit Windows rather than 2: room for a
# sealed key's Argon2id block of up to 256 MiB beside everything else.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
