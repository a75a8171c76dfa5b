// The status bar's progress display for long engine work.
#include "Main/Main.h"

#include "Main/TimeLeft.h"
#include "universe/SimulationRunner.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// Work shorter than this comes and goes without a flicker of the bar.
constexpr auto ShowAfter = std::chrono::milliseconds(300);

double Seconds(std::chrono::steady_clock::time_point at) {
    return std::chrono::duration<double>(at.time_since_epoch()).count();
}

} // namespace

void TMainForm::BuildProgress() {
    ProgressLabel = new QLabel(StatusBar);
    ProgressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    ProgressBar = new QProgressBar(StatusBar);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 1000);
    ProgressBar->setTextVisible(false);
    ProgressBar->setMaximumWidth(160);
    ProgressBar->setMaximumHeight(14);
    // Permanent widgets sit to the right of the hint text, which tips overwrite.
    StatusBar->addPermanentWidget(ProgressLabel);
    StatusBar->addPermanentWidget(ProgressBar);
    ProgressLabel->hide();
    ProgressBar->hide();

    ProgressTimer = new QTimer(this);
    ProgressTimer->setObjectName(QStringLiteral("ProgressTimer"));
    ProgressTimer->setInterval(100);
    connect(ProgressTimer, &QTimer::timeout, this, &TMainForm::ProgressTimerTimer);
    ProgressTimer->start();
}

void TMainForm::ProgressTimerTimer() {
    if (!FSession)
        return;
    const TSimulationRunner::TProgress progress = Runner().Progress();
    const bool show = progress.Work != TSimulationRunner::TWork::Idle &&
                      std::chrono::steady_clock::now() - progress.Since >= ShowAfter;
    if (!show) {
        ProgressLabel->hide();
        ProgressBar->hide();
        return;
    }
    using TWork = TSimulationRunner::TWork;
    const double stepShare =
        progress.Rows > 0 ? static_cast<double>(progress.RowsDone) / progress.Rows : 0;
    QString text;
    double share = stepShare;
    bool estimate = true;
    if (progress.Work == TWork::Building) {
        // The first cluster's rows are all the engine knows of until the second one starts;
        // the build's own count stands for both.
        share = static_cast<double>(progress.RowsDone) /
                static_cast<double>(std::max(progress.Rows, std::max<std::int64_t>(FBuildRows, 1)));
        text = QStringLiteral("Building universe\u2026");
    } else if (progress.Work == TWork::Restoring) {
        // Restoring a recorded frame: its keyframe stepped forward, one step after another.
        text = QStringLiteral("Restoring frame %1: step %2 of %3\u2026 (Stop cancels)")
                   .arg(QLocale().toString(ResumingFrame() + 1))
                   .arg(QLocale().toString(std::min(progress.StepsDone + 1, progress.Steps)))
                   .arg(QLocale().toString(progress.Steps));
        share = progress.Steps > 0
                    ? (progress.StepsDone + std::clamp(stepShare, 0.0, 1.0)) / progress.Steps
                    : 0;
        estimate = false;
    } else {
        text = QStringLiteral("Step %1\u2026").arg(QLocale().toString(progress.Iteration));
    }
    if (progress.Since != FTimeLeftSince) {
        FTimeLeftSince = progress.Since;
        FTimeLeft.Start(Seconds(progress.Since));
    }
    const std::optional<double> left =
        FTimeLeft.Update(std::clamp(share, 0.0, 1.0), Seconds(std::chrono::steady_clock::now()));
    if (estimate && left)
        text += QStringLiteral(" ") + QString::fromStdString(TimeLeft::Text(*left));
    ProgressLabel->setText(text);
    ProgressBar->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000));
    ProgressLabel->show();
    ProgressBar->show();
}
