# Qt-free shell logic: the menu and tool-bar table, view arrangement geometry, the command
# line and the batch runs it starts.
set(PURE_SOURCES MenuActions.h MenuTable.h MenuTable.cpp ViewLayout.h ViewLayout.cpp PictureName.h PictureName.cpp
                 CommandLine.h CommandLine.cpp CommandLineBatch.cpp VideoCommandLine.h VideoCommandLine.cpp FrameRange.h FrameRange.cpp
                 BatchRun.h BatchRun.cpp BatchCommand.h BatchCommand.cpp TimeLeft.h TimeLeft.cpp
                 DesktopLayout.h DesktopLayout.cpp)
# The main window, its images and the program's start-up (main.cpp builds the executable).
set(QT_SOURCES
    Main.h Main.cpp MainCreate.cpp MainMenus.cpp MainPicture.cpp MainProgress.cpp MainViews.cpp
    MainFiles.cpp MainUnsaved.cpp MainRecorder.cpp MainExportFrames.cpp MainExportVideo.cpp
    MainStatistics.cpp MainHelp.cpp HelpWindow.h HelpWindow.cpp MainDesktop.cpp
    SimulationSession.h SimulationSession.cpp SessionPlayback.cpp PositionBar.h PositionBar.cpp
    RecorderOptionsDlg.h RecorderOptionsDlg.cpp ExportFramesDlg.h ExportFramesDlg.cpp
    FrameRangeSpins.h FrameRangeSpins.cpp
    ExportVideoDlg.h ExportVideoDlg.cpp
    ImageList.h ImageList.cpp PaintedIcon.h PaintedIcon.cpp
    Program.h Program.cpp VideoPicture.h VideoPicture.cpp VideoCommand.h VideoCommand.cpp)
