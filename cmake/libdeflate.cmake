# The installer's inflater: libdeflate's zlib-stream decompression from Debian's sources (fetched
# by scripts/setup.sh), built with the shipping code's size flags. Included by the Windows builds
# and by the native tests, which decode with the same code.
set(KST_LIBDEFLATE_SOURCE "${CMAKE_CURRENT_LIST_DIR}/../build/deps/libdeflate" CACHE PATH
  "Debian's libdeflate sources")
if(NOT EXISTS "${KST_LIBDEFLATE_SOURCE}/lib/deflate_decompress.c")
  message(FATAL_ERROR "No libdeflate sources in ${KST_LIBDEFLATE_SOURCE}: run scripts/setup.sh")
endif()

# The library picks x86 variants (BMI2 inflate, SSE2/AVX2 adler32) by CPUID at run time and has no
# switch to leave them out; defining the include guards of their headers keeps the plain C code
# alone, and keeps the CPU probe out of the link. Its files are used as Debian ships them.
set(kst_libdeflate_x86_headers decompress_impl adler32_impl)
foreach(header IN LISTS kst_libdeflate_x86_headers)
  string(TOUPPER "LIB_X86_${header}_H" guard)
  file(STRINGS "${KST_LIBDEFLATE_SOURCE}/lib/x86/${header}.h" found REGEX "^#ifndef ${guard}$")
  if(NOT found)
    message(FATAL_ERROR "lib/x86/${header}.h in ${KST_LIBDEFLATE_SOURCE} is no longer guarded "
      "by ${guard}: find another way to leave its CPU-specific code out")
  endif()
  list(APPEND kst_libdeflate_no_x86 ${guard})
endforeach()

add_library(kst_inflate STATIC
  "${KST_LIBDEFLATE_SOURCE}/lib/adler32.c"
  "${KST_LIBDEFLATE_SOURCE}/lib/deflate_decompress.c"
  "${KST_LIBDEFLATE_SOURCE}/lib/utils.c"
  "${KST_LIBDEFLATE_SOURCE}/lib/zlib_decompress.c")
target_compile_definitions(kst_inflate PRIVATE ${kst_libdeflate_no_x86})
target_compile_options(kst_inflate PRIVATE
  -w -Oz -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables)
# In the installer it is optimised together with the code that calls it.
if(CMAKE_CROSSCOMPILING)
  target_compile_options(kst_inflate PRIVATE ${KST_LTO})
endif()
target_include_directories(kst_inflate SYSTEM PUBLIC "${KST_LIBDEFLATE_SOURCE}")
