# Qt-free view logic, built into astrivo_views_logic and tested without Qt.
set(PURE_SOURCES
  ViewCamera.h
  Rounding.h
  ViewProjection.h ViewProjection.cpp
  DisplayList.h DisplayList.cpp
  PixelFrame.h PixelFrame.cpp
  DotBlend.h DotBlend.cpp
  LineList.h LineList.cpp
  FrameRender.h FrameRender.cpp
  CameraDrag.h CameraDrag.cpp
  ViewFit.h ViewFit.cpp
  ViewSettings.h ViewSettings.cpp
  EyeTurn.h EyeTurn.cpp
  StereoRender.h StereoRender.cpp
  GridLines.h GridLines.cpp
  RenderWorker.h RenderWorker.cpp)
# The view window itself.
set(QT_SOURCES ChildWin.h ChildWin.cpp FramePainter.h FramePainter.cpp ViewRenderer.h ViewRenderer.cpp)
