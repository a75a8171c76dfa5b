#include "statistics/StatisticsDlg.h"

#include "universe/UniverseSnapshot.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Ten collections a second keep the plots current without redrawing them for every sample.
constexpr int SampleTimerInterval = 100;
// Samples kept per series: enough for smooth lines at any window width, few enough to
// redraw in a millisecond or two.
constexpr std::size_t SeriesCapacity = 2000;

struct TRange {
    double Least = std::numeric_limits<double>::infinity();
    double Most = -std::numeric_limits<double>::infinity();

    void Take(double value) {
        Least = std::min(Least, value);
        Most = std::max(Most, value);
    }
};

// A range with room around the line, so that a flat or single-point line stays visible,
// and labels with digits enough to tell its ticks apart: momentum moves in its ninth digit.
void ShowRange(QValueAxis* axis, TRange range) {
    if (range.Least > range.Most) {
        axis->setRange(0, 1);
        return;
    }
    const double size = std::max(std::abs(range.Least), std::abs(range.Most));
    double margin = 0.05 * (range.Most - range.Least);
    if (margin <= 1e-13 * size)
        margin = std::max(1e-12, 1e-9 * size);
    // Figures that cannot go below 0 (kinetic energy, heat, radius) keep their axis above it.
    const double least =
        range.Least >= 0 ? std::max(0.0, range.Least - margin) : range.Least - margin;
    axis->setRange(least, range.Most + margin);
    const double span = range.Most + margin - least;
    const int digits = std::clamp(static_cast<int>(std::ceil(std::log10(size / span))) + 2, 3, 15);
    axis->setLabelFormat(QStringLiteral("%.%1g").arg(digits));
}

} // namespace

TStatisticsDlg::TStatisticsDlg(QWidget* parent, TFigureSampler::TPace pace)
    : QDialog(parent, Qt::Tool), FSampler(std::make_unique<TFigureSampler>(pace)),
      FLive(SeriesCapacity), FFrames(SeriesCapacity) {
    setObjectName(QStringLiteral("StatisticsDlg"));
    setWindowTitle(QStringLiteral("Statistics"));
    resize(760, 560);

    const auto newView = [this](const char* name) {
        auto* view = new QChartView(this);
        view->setObjectName(QString::fromLatin1(name));
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(240, 160);
        return view;
    };
    ChartEnergy = newView("ChartEnergy");
    ChartMomentum = newView("ChartMomentum");
    ChartHeat = newView("ChartHeat");
    ChartRadius = newView("ChartRadius");
    FEnergyPlot = AddPlot(ChartEnergy, QStringLiteral("Energy"), QStringLiteral("energy"));
    FMomentumPlot =
        AddPlot(ChartMomentum, QStringLiteral("Momentum"), QStringLiteral("|total momentum|"));
    FHeatPlot = AddPlot(ChartHeat, QStringLiteral("Mean heat"), QStringLiteral("heat"));
    FRadiusPlot = AddPlot(ChartRadius, QStringLiteral("Half-mass radius"),
                          QStringLiteral("distance from the centre"));
    LineKinetic = AddLine(FEnergyPlot, QStringLiteral("kinetic"));
    LinePotential = AddLine(FEnergyPlot, QStringLiteral("potential"));
    LineTotal = AddLine(FEnergyPlot, QStringLiteral("total"));
    LineMomentum = AddLine(FMomentumPlot, QStringLiteral("momentum"));
    LineHeat = AddLine(FHeatPlot, QStringLiteral("heat"));
    LineRadius = AddLine(FRadiusPlot, QStringLiteral("half-mass radius"));
    for (const TPlot* plot : {&FMomentumPlot, &FHeatPlot, &FRadiusPlot})
        plot->Chart->legend()->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(ChartEnergy, 0, 0);
    grid->addWidget(ChartMomentum, 0, 1);
    grid->addWidget(ChartHeat, 1, 0);
    grid->addWidget(ChartRadius, 1, 1);

    LabelNote = new QLabel(this);
    LabelNote->setObjectName(QStringLiteral("LabelNote"));
    LabelNote->setWordWrap(true);
    ButtonExport = new QPushButton(QStringLiteral("Export Data..."), this);
    ButtonExport->setObjectName(QStringLiteral("ButtonExport"));
    ButtonExport->setAutoDefault(false);
    connect(ButtonExport, &QPushButton::clicked, this, &TStatisticsDlg::ButtonExportClick);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelNote, 1);
    bottom->addWidget(ButtonExport);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(bottom);

    ExportDialog = new QFileDialog(this, QStringLiteral("Export Data"));
    ExportDialog->setObjectName(QStringLiteral("ExportDataDialog"));
    ExportDialog->setNameFilter(QStringLiteral("Comma-separated values (*.csv)"));
    ExportDialog->setDefaultSuffix(QStringLiteral("csv"));
    ExportDialog->setFileMode(QFileDialog::AnyFile);
    ExportDialog->setAcceptMode(QFileDialog::AcceptSave);

    SampleTimer = new QTimer(this);
    SampleTimer->setObjectName(QStringLiteral("SampleTimer"));
    SampleTimer->setInterval(SampleTimerInterval);
    connect(SampleTimer, &QTimer::timeout, this, &TStatisticsDlg::SampleTimerTimer);
    Plot();
}

// The sampler's worker goes first: it may still hold a snapshot of the engine's pool.
TStatisticsDlg::~TStatisticsDlg() {
    FSampler.reset();
}

TStatisticsDlg::TPlot TStatisticsDlg::AddPlot(QChartView* view, const QString& title,
                                              const QString& axisTitle) {
    TPlot plot;
    plot.Chart = new QChart;
    plot.Chart->setTitle(title);
    plot.Chart->setMargins(QMargins(4, 4, 4, 4));
    plot.AxisX = new QValueAxis;
    plot.AxisX->setTitleText(QStringLiteral("iteration"));
    plot.AxisX->setLabelFormat(QStringLiteral("%.0f"));
    plot.AxisY = new QValueAxis;
    plot.AxisY->setTitleText(axisTitle);
    plot.AxisY->setLabelFormat(QStringLiteral("%.4g"));
    plot.Chart->addAxis(plot.AxisX, Qt::AlignBottom);
    plot.Chart->addAxis(plot.AxisY, Qt::AlignLeft);
    view->setChart(plot.Chart); // the view owns the chart, the chart its axes and lines
    return plot;
}

QLineSeries* TStatisticsDlg::AddLine(const TPlot& plot, const QString& name) {
    auto* line = new QLineSeries;
    line->setName(name);
    plot.Chart->addSeries(line);
    line->attachAxis(plot.AxisX);
    line->attachAxis(plot.AxisY);
    return line;
}

// ---- Following what the main window shows ----

void TStatisticsDlg::FollowLive(const std::shared_ptr<const TUniverseSnapshot>& snapshot) {
    if (!snapshot || !isVisible())
        return;
    if (snapshot->BuildCount != FLiveBuild) {
        FLiveBuild = snapshot->BuildCount;
        FLive.Clear();
        StartAgain();
    }
    if (FShowingFrames) {
        FShowingFrames = false;
        StartAgain();
    }
    if (snapshot->HasVelocities())
        FSampler->Offer(snapshot, TFigureSampler::TSource::Live);
}

void TStatisticsDlg::FollowFrame(const std::shared_ptr<const TUniverseSnapshot>& frame) {
    if (!frame || !isVisible())
        return;
    if (!FShowingFrames) {
        FShowingFrames = true;
        FFrames.Clear();
        StartAgain();
    }
    if (frame->HasParticles())
        FSampler->Offer(frame, TFigureSampler::TSource::Frame);
}

// Work begun for what was shown before must not land in what is shown now.
void TStatisticsDlg::StartAgain() {
    FSampler->Drop();
    Plot();
}

void TStatisticsDlg::SampleTimerTimer() {
    std::vector<TFigureSampler::TSample> samples = FSampler->Take();
    if (samples.empty())
        return;
    for (const TFigureSampler::TSample& sample : samples)
        (sample.Source == TFigureSampler::TSource::Frame ? FFrames : FLive).Add(sample.Figures);
    Plot();
}

void TStatisticsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    SampleTimer->start();
    emit SamplingChanged(true);
}

void TStatisticsDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    SampleTimer->stop();
    FSampler->Drop();
    emit SamplingChanged(false);
}

// ---- Plotting ----

void TStatisticsDlg::Plot() {
    const std::vector<TFigures>& samples = Series().Items();
    QList<QPointF> kinetic, potential, total, momentum, heat, radius;
    TRange iterations, energy, momenta, heats, radii;
    bool estimated = false;
    for (const TFigures& f : samples) {
        const double x = f.Iteration;
        iterations.Take(x);
        const auto add = [x](QList<QPointF>& line, TRange& range, double y) {
            line.append(QPointF(x, y));
            range.Take(y);
        };
        if (f.Kinetic)
            add(kinetic, energy, *f.Kinetic);
        add(potential, energy, f.Potential);
        if (f.Total)
            add(total, energy, *f.Total);
        if (f.Momentum)
            add(momentum, momenta, *f.Momentum);
        add(heat, heats, f.Heat);
        add(radius, radii, f.HalfMassRadius);
        estimated = estimated || f.PotentialEstimated;
    }
    LineKinetic->replace(kinetic);
    LinePotential->replace(potential);
    LineTotal->replace(total);
    LineMomentum->replace(momentum);
    LineHeat->replace(heat);
    LineRadius->replace(radius);

    if (iterations.Least == iterations.Most)
        iterations.Most += 1;
    for (const TPlot* plot : {&FEnergyPlot, &FMomentumPlot, &FHeatPlot, &FRadiusPlot}) {
        if (iterations.Least > iterations.Most)
            plot->AxisX->setRange(0, 1);
        else {
            plot->AxisX->setRange(iterations.Least, iterations.Most);
            plot->AxisX->applyNiceNumbers();
        }
    }
    ShowRange(FEnergyPlot.AxisY, energy);
    ShowRange(FMomentumPlot.AxisY, momenta);
    ShowRange(FHeatPlot.AxisY, heats);
    ShowRange(FRadiusPlot.AxisY, radii);

    QStringList notes;
    if (FShowingFrames)
        notes << QStringLiteral("Recorded frames: they keep no velocities, so kinetic and "
                                "total energy and momentum are not shown.");
    if (estimated)
        notes << QStringLiteral("Potential energy estimated from a sample of the pairs.");
    notes << QStringLiteral("%1 samples").arg(samples.size());
    LabelNote->setText(notes.join(QLatin1Char(' ')));
}

// ---- Export ----

bool TStatisticsDlg::ExportData(const QString& path, QString& error) const {
    const std::string csv = Series().Csv();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) !=
            static_cast<qint64>(csv.size()) ||
        !file.flush()) {
        error = QStringLiteral("%1 cannot be written: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

void TStatisticsDlg::ButtonExportClick() {
    if (ExportDialog->exec() != QDialog::Accepted)
        return;
    const QString path = ExportDialog->selectedFiles().value(0);
    if (path.isEmpty())
        return;
    if (QString error; !ExportData(path, error))
        QMessageBox::critical(this, QStringLiteral("Error"), error);
}
