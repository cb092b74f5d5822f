# Cross-building for the browser: WebAssembly with the WASI system interface,
# from Debian's clang-16 and lld-16 with wasi-libc, libc++-16-dev-wasm32,
# libc++abi-16-dev-wasm32 and libclang-rt-16-dev-wasm32.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

set(TONBROOK_WASI_TRIPLE wasm32-wasi)
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_C_COMPILER_TARGET ${TONBROOK_WASI_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${TONBROOK_WASI_TRIPLE})

# The header folders of the target, in a clang configuration file, which
# compiling reads and linking leaves alone.
set(CMAKE_C_FLAGS_INIT "--config=${CMAKE_CURRENT_LIST_DIR}/wasm32-wasi.cfg")
set(CMAKE_CXX_FLAGS_INIT "--config=${CMAKE_CURRENT_LIST_DIR}/wasm32-wasi.cfg")

set(CMAKE_FIND_ROOT_PATH /usr/lib/${TONBROOK_WASI_TRIPLE} /usr/include/${TONBROOK_WASI_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
