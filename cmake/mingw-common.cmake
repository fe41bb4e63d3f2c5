# Shared settings of the Clang builds, the shipping i686 one and its x86_64 twin; included by the
# per-architecture toolchain files. Clang and LLD of Debian's LLVM 19 compile and link against
# MinGW-w64's headers and libraries and GCC's runtime: of the compilers Debian has for this target,
# they make the smallest program, and their link-time optimisation works with our own allocation
# functions where GNU ld's does not.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
set(KST_LLVM_BIN /usr/lib/llvm-19/bin)
set(CMAKE_C_COMPILER ${KST_LLVM_BIN}/clang)
set(CMAKE_CXX_COMPILER ${KST_LLVM_BIN}/clang++)
set(CMAKE_C_COMPILER_TARGET ${KST_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${KST_TRIPLE})
# Archives of link-time optimised code need LLVM's archiver to index their symbols.
set(CMAKE_AR ${KST_LLVM_BIN}/llvm-ar)
set(CMAKE_RANLIB ${KST_LLVM_BIN}/llvm-ranlib)
# GCC's C++ library, which the tests use, keeps its thread-local variables the emulated way and
# is built on the POSIX threads of MinGW-w64.
set(CMAKE_CXX_FLAGS_INIT -femulated-tls)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -pthread")
