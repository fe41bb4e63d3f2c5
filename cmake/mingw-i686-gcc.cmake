# The 32-bit Windows test programs, with the product code they test, built by MinGW-w64's GCC: the
# compiler that built the C++ library they use. Clang's i686 code and that library disagree on how
# some member functions return objects (seen: a std::string returned by substr() from Clang's code
# ends in a jump to a wild address), so GoogleTest programs built by Clang crash before main. The
# shipping installer uses nothing of that library and stays Clang's (mingw-i686.cmake); the
# 32-bit end-to-end tests start that file itself.
set(KST_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-target.cmake)
set(CMAKE_C_COMPILER ${KST_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KST_TRIPLE}-g++-posix)
set(CMAKE_EXE_LINKER_FLAGS_INIT -pthread)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -pthread)
