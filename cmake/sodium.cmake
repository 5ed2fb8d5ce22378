# HMAC-SHA-256 for derivation 2, and Argon2id and XChaCha20-Poly1305 for
# sealed key files, come from libsodium, as the target sorrel_sodium. Linux builds link Debian's libsodium. The Windows and
# WebAssembly builds compile the few files they need from the sources of
# Debian's libsodium package, which scripts/install-deps.sh unpacks: no DLL
# beside the program, and nothing imported but the system's own.
if(NOT WIN32 AND NOT EMSCRIPTEN)
  find_path(SORREL_SODIUM_INCLUDE sodium.h)
  find_library(SORREL_SODIUM_LIBRARY sodium)
  if(NOT SORREL_SODIUM_INCLUDE OR NOT SORREL_SODIUM_LIBRARY)
    message(FATAL_ERROR "libsodium not found: install libsodium-dev (scripts/install-deps.sh does)")
  endif()
  add_library(sorrel_sodium INTERFACE)
  target_include_directories(sorrel_sodium SYSTEM INTERFACE ${SORREL_SODIUM_INCLUDE})
  target_link_libraries(sorrel_sodium INTERFACE ${SORREL_SODIUM_LIBRARY})
  return()
endif()

set(SORREL_SODIUM_SOURCE /usr/local/src/sorrel/libsodium CACHE PATH "libsodium's unpacked Debian source package")
set(src ${SORREL_SODIUM_SOURCE}/src/libsodium)
if(NOT EXISTS ${src}/crypto_auth/hmacsha256/auth_hmacsha256.c)
  message(FATAL_ERROR "libsodium's sources are not in ${SORREL_SODIUM_SOURCE}: scripts/install-deps.sh unpacks them")
endif()
# The portable code of each primitive; engine/sodium_start.c is these files'
# sodium_init().
add_library(sorrel_sodium STATIC
  ${src}/crypto_auth/hmacsha256/auth_hmacsha256.c
  ${src}/crypto_hash/sha256/cp/hash_sha256_cp.c
  ${src}/crypto_verify/sodium/verify.c
  ${src}/sodium/codecs.c
  ${src}/sodium/utils.c
  ${src}/crypto_pwhash/crypto_pwhash.c
  ${src}/crypto_pwhash/argon2/argon2.c
  ${src}/crypto_pwhash/argon2/argon2-core.c
  ${src}/crypto_pwhash/argon2/argon2-encoding.c
  ${src}/crypto_pwhash/argon2/argon2-fill-block-ref.c
  ${src}/crypto_pwhash/argon2/blake2b-long.c
  ${src}/crypto_pwhash/argon2/pwhash_argon2i.c
  ${src}/crypto_pwhash/argon2/pwhash_argon2id.c
  ${src}/crypto_generichash/blake2b/ref/blake2b-compress-ref.c
  ${src}/crypto_generichash/blake2b/ref/blake2b-ref.c
  ${src}/crypto_generichash/blake2b/ref/generichash_blake2b.c
  ${src}/crypto_aead/xchacha20poly1305/sodium/aead_xchacha20poly1305.c
  ${src}/crypto_core/hchacha20/core_hchacha20.c
  ${src}/crypto_stream/chacha20/stream_chacha20.c
  ${src}/crypto_stream/chacha20/ref/chacha20_ref.c
  ${src}/crypto_onetimeauth/poly1305/onetimeauth_poly1305.c
  ${src}/crypto_onetimeauth/poly1305/donna/poly1305_donna.c
  ${PROJECT_SOURCE_DIR}/engine/sodium_memory.c
  ${PROJECT_SOURCE_DIR}/engine/sodium_start.c
  ${PROJECT_SOURCE_DIR}/engine/sodium_unused.c)
# Argon2id's memory wiped before it is freed (engine/sodium_memory.c); the
# library's sources stay as Debian ships them.
set_source_files_properties(${src}/crypto_pwhash/argon2/argon2-core.c PROPERTIES
  COMPILE_DEFINITIONS "malloc=sorrel_argon2_malloc;free=sorrel_argon2_free")
if(WIN32)
  # BLAKE2b's compression, written out round by round, is a fifth smaller at
  # -O2 than at -Os in 32-bit code, and runs a few dozen times per Argon2id.
  set_source_files_properties(${src}/crypto_generichash/blake2b/ref/blake2b-compress-ref.c PROPERTIES
    COMPILE_OPTIONS "$<$<CONFIG:MinSizeRel>:-O2>")
endif()
target_include_directories(sorrel_sodium SYSTEM PUBLIC ${src}/include)
target_include_directories(sorrel_sodium PRIVATE ${src}/include/sodium)
target_compile_definitions(sorrel_sodium PUBLIC SODIUM_STATIC PRIVATE CONFIGURED=1)
# The library's code as its makers wrote it: its warnings are not ours to mend.
target_compile_options(sorrel_sodium PRIVATE -w)
