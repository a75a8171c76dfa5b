// The statistics window: the main window shows it and tells it every state it shows
// (Main.cpp, MainRecorder.cpp); here it is made and kept in step with the engine.
#include "Main/Main.h"

#include "statistics/StatisticsDlg.h"
#include "universe/SimulationRunner.h"

void TMainForm::BuildStatistics() {
    // Made when first asked for: until then no chart exists and nothing follows the engine.
    if (StatisticsDlg)
        return;
    StatisticsDlg = new TStatisticsDlg(this);
    connect(StatisticsDlg, &TStatisticsDlg::SamplingChanged, this,
            &TMainForm::StatisticsSamplingChanged);
}

void TMainForm::StatisticsSamplingChanged(bool on) {
    // The engine copies velocities into its snapshots only while they are plotted, and
    // publishes the present state again with them: it arrives as the next snapshot.
    Runner().SetSnapshotVelocities(on);
    if (on && FFrameShown)
        StatisticsDlg->FollowFrame(FFrameShown);
}

void TMainForm::MenuViewStatisticsClick() {
    BuildStatistics();
    StatisticsDlg->show();
    StatisticsDlg->raise();
    StatisticsDlg->activateWindow();
}
