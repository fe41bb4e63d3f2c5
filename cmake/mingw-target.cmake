# What every MinGW-w64 cross build shares, whichever compiler it uses: the target, where its
# headers and libraries are, and how its Windows test programs run (under Wine, tests/harness).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_RC_COMPILER ${KST_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KST_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/harness/wine-run)
