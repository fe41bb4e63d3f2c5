# zlib from Debian's sources (fetched by scripts/setup.sh), for the tests and benchmarks that pack
# data as the packing tool does; the installer itself inflates with libdeflate
# (cmake/libdeflate.cmake).
set(KST_ZLIB_SOURCE "${CMAKE_SOURCE_DIR}/build/deps/zlib" CACHE PATH "Debian's zlib sources")
if(NOT EXISTS "${KST_ZLIB_SOURCE}/inflate.c")
  message(FATAL_ERROR "No zlib sources in ${KST_ZLIB_SOURCE}: run scripts/setup.sh")
endif()

set(kst_zlib_sources adler32 compress crc32 deflate inffast inflate inftrees trees uncompr zutil)
list(TRANSFORM kst_zlib_sources PREPEND "${KST_ZLIB_SOURCE}/")
list(TRANSFORM kst_zlib_sources APPEND ".c")
add_library(kst_zlib STATIC ${kst_zlib_sources})
# Only zlib streams are read and written: the gzip wrapper and its checksum stay out.
target_compile_definitions(kst_zlib PRIVATE NO_GZIP)
target_compile_options(kst_zlib PRIVATE
  -w -Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables)
target_include_directories(kst_zlib SYSTEM PUBLIC "${KST_ZLIB_SOURCE}")
