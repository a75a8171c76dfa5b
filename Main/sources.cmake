# Qt-free shell logic: the menu and tool-bar table, view arrangement geometry.
set(PURE_SOURCES MenuActions.h MenuTable.h MenuTable.cpp ViewLayout.h ViewLayout.cpp PictureName.h PictureName.cpp
                 DesktopLayout.h DesktopLayout.cpp
                 CommandLine.h CommandLine.cpp FrameRange.h FrameRange.cpp)
# The main window, its images and the program's start-up (main.cpp builds the executable).
set(QT_SOURCES
    Main.h Main.cpp MainCreate.cpp MainMenus.cpp MainPicture.cpp MainProgress.cpp MainViews.cpp
    MainFiles.cpp MainRecorder.cpp MainExportFrames.cpp MainDesktop.cpp
    SimulationSession.h SimulationSession.cpp SessionPlayback.cpp PositionBar.h PositionBar.cpp
    RecorderOptionsDlg.h RecorderOptionsDlg.cpp ExportFramesDlg.h ExportFramesDlg.cpp
    ImageList.h ImageList.cpp PaintedIcon.h PaintedIcon.cpp
    Program.h Program.cpp)
