# Shared settings of both MinGW-w64 cross builds; included by the per-architecture toolchain files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KST_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KST_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KST_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KST_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
