#pragma once

#include "statistics/FigureSampler.h"
#include "statistics/FigureSeries.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QChart;
class QChartView;
class QFileDialog;
class QLabel;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;
struct TUniverseSnapshot;

/// The statistics window: plots of the figures against the iteration, for the live run
/// and for the recorded frames shown, and their export as CSV.
///
/// The window is told of every state shown (FollowLive, FollowFrame) and hands it to its
/// sampler, whose worker thread works the figures out; a timer collects them while the
/// window is shown. Hidden, it offers nothing, so nothing is worked out; it says so with
/// SamplingChanged, for the engine to stop copying velocities.
class TStatisticsDlg : public QDialog {
    Q_OBJECT

public:
    explicit TStatisticsDlg(QWidget* parent = nullptr,
                            TFigureSampler::TPace pace = TFigureSampler::DefaultPace());
    ~TStatisticsDlg() override;

    /// The live universe's state now shown. A new build starts the plots again; states
    /// without velocities (published before the engine was asked for them) are passed over.
    void FollowLive(const std::shared_ptr<const TUniverseSnapshot>& snapshot);
    /// A recorded frame shown instead of the live universe. The frames visited since the
    /// live universe was last shown are plotted, in iteration order.
    void FollowFrame(const std::shared_ptr<const TUniverseSnapshot>& frame);
    /// The samples plotted: the recorded frames' while one is shown, else the live run's.
    const TFigureSeries& Series() const { return FShowingFrames ? FFrames : FLive; }
    bool ShowingFrames() const { return FShowingFrames; }

    /// Writes the samples plotted to path as CSV; false, with the message for the user in
    /// error, when it cannot.
    bool ExportData(const QString& path, QString& error) const;
    /// "Export Data...": asks for a file, writes it, and reports a failure.
    void ButtonExportClick();
    /// Collects what the worker finished and redraws the plots (run by SampleTimer).
    void SampleTimerTimer();

    QChartView* ChartEnergy = nullptr;
    QChartView* ChartMomentum = nullptr;
    QChartView* ChartHeat = nullptr;
    QChartView* ChartRadius = nullptr;
    QLabel* LabelNote = nullptr;
    QPushButton* ButtonExport = nullptr;
    QFileDialog* ExportDialog = nullptr;
    QTimer* SampleTimer = nullptr;

signals:
    /// Shown (true) or hidden: whether the states followed should carry velocities.
    void SamplingChanged(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct TPlot {
        QChart* Chart = nullptr;
        QValueAxis* AxisX = nullptr;
        QValueAxis* AxisY = nullptr;
    };
    TPlot AddPlot(QChartView* view, const QString& title, const QString& axisTitle);
    QLineSeries* AddLine(const TPlot& plot, const QString& name);
    void StartAgain();
    void Plot();

    std::unique_ptr<TFigureSampler> FSampler;
    TFigureSeries FLive;
    TFigureSeries FFrames;
    bool FShowingFrames = false;
    std::uint64_t FLiveBuild = 0; // the build the live samples belong to
    TPlot FEnergyPlot, FMomentumPlot, FHeatPlot, FRadiusPlot;
    QLineSeries* LineKinetic = nullptr;
    QLineSeries* LinePotential = nullptr;
    QLineSeries* LineTotal = nullptr;
    QLineSeries* LineMomentum = nullptr;
    QLineSeries* LineHeat = nullptr;
    QLineSeries* LineRadius = nullptr;
};
