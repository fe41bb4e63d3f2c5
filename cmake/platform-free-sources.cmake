# The program's sources that are platform-free: no Windows header, built and tested natively by
# tools/ as well as into the installer. scripts/check-platform-free.sh keeps them so.
set(KST_PLATFORM_FREE_SOURCES
  app/CommandLine.cpp app/DialogLayout.cpp app/FrameGeometry.cpp
  base/FinalPath.cpp base/Inflate.cpp base/Path.cpp base/Text.cpp
  install/DefaultSettings.cpp install/ImageLayout.cpp install/PayloadFormat.cpp
  skin/DpiScale.cpp skin/NineGrid.cpp skin/PngDecoder.cpp skin/SkinRules.cpp skin/WideDivision.cpp
  system/PendingOperations.cpp system/SelfRemovalCommand.cpp
  app/FrameClass.h base/Check.h base/Geometry.h base/UniqueHandle.h install/ProductComponents.h)
