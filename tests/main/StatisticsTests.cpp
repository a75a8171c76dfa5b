// The statistics window as a user works it: opened by key, following the run, a new
// universe and recorded frames, and its export set against the figures of the engine's own
// universe.
#include "RecorderTestSupport.h"

#include "statistics/FigureCsv.h"
#include "statistics/StatisticsDlg.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>

#include <functional>
#include <thread>

namespace {

class StatisticsTest : public RecorderTest {
protected:
    TStatisticsDlg* Stats() const {
        return Main->findChild<TStatisticsDlg*>(QStringLiteral("StatisticsDlg"));
    }

    // Ctrl+T where a user presses it: on the active view.
    void OpenByKey() {
        Main->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == Main; }, 2000));
        Main->ActiveView()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::ControlModifier);
        ASSERT_TRUE(Stats()->isVisible());
    }

    // Runs the window's loop until the plotted samples satisfy done.
    bool WaitForSamples(const std::function<bool(const std::vector<TFigures>&)>& done) {
        for (int k = 0; k < 6000; ++k) {
            Main->TakeSnapshot();
            QApplication::processEvents();
            Stats()->SampleTimerTimer();
            if (done(Stats()->Series().Items()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The figures of the engine's universe as it stands, worked out from the universe itself.
    std::string EngineRow() const {
        std::promise<std::string> reply;
        std::future<std::string> row = reply.get_future();
        Main->Runner().Run([&reply](TUniverse& universe) {
            TFigureState state;
            state.CopyFrom(universe);
            reply.set_value(FigureCsv::Row(*Figures::WorkOut(state)));
        });
        EXPECT_EQ(row.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        return row.get();
    }

    QStringList Export(const QString& path) {
        QTimer::singleShot(0, Stats()->ExportDialog, [&] {
            Stats()->ExportDialog->selectFile(path);
            QMetaObject::invokeMethod(Stats()->ExportDialog, "accept");
        });
        Stats()->ButtonExport->click();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(StatisticsTest, FollowsProcessingAndExportsTheEnginesFigures) {
    OpenByKey();
    Main->SetProcessing(true);
    ASSERT_TRUE(WaitForSamples([](const std::vector<TFigures>& items) {
        return items.size() >= 5 && items.back().Iteration >= 10;
    }));
    Main->SetProcessing(false);
    Finish();
    const std::int32_t last = Engine().IterationCount;
    ASSERT_TRUE(WaitForSamples([last](const std::vector<TFigures>& items) {
        return !items.empty() && items.back().Iteration == last;
    }));
    for (const TFigures& sample : Stats()->Series().Items())
        EXPECT_TRUE(sample.Kinetic) << "iteration " << sample.Iteration;

    QTemporaryDir dir;
    const QStringList lines = Export(dir.filePath(QStringLiteral("figures.csv")));
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(Stats()->Series().Items().size()) + 1);
    EXPECT_EQ(lines.front() + QLatin1Char('\n'), QString::fromStdString(FigureCsv::Header()));
    // The last sample is the universe the engine holds: velocities, mass and pressure all
    // came through the snapshot.
    EXPECT_EQ(lines.back() + QLatin1Char('\n'), QString::fromStdString(EngineRow()));

    // Closed, the window costs the engine nothing: its snapshots carry no velocities again.
    Stats()->close();
    NextStep();
    Finish();
    EXPECT_FALSE(Main->Snapshot()->HasVelocities());
}

TEST_F(StatisticsTest, ANewUniverseStartsThePlotsAgain) {
    OpenByKey();
    // Each step is plotted before the next is taken: the sampler shows the latest snapshot
    // only, so steps taken faster than it samples would leave a single point.
    for (int iteration = 3; iteration <= 5; ++iteration) {
        NextStep();
        ASSERT_TRUE(WaitForSamples([iteration](const std::vector<TFigures>& items) {
            return !items.empty() && items.back().Iteration == iteration;
        }));
    }
    ASSERT_GT(Stats()->Series().Items().size(), 1u);

    Main->CreateUniverse();
    Finish();
    // Two clusters seeded, one step each: the new universe starts at iteration 2.
    ASSERT_TRUE(
        WaitForSamples([](const std::vector<TFigures>& items) { return items.size() == 1; }));
    EXPECT_EQ(Stats()->Series().Items().front().Iteration, 2);
    EXPECT_EQ(QString::fromStdString(FigureCsv::Row(Stats()->Series().Items().front())),
              QString::fromStdString(EngineRow()));
}

TEST_F(StatisticsTest, RecordedFramesArePlottedWithoutVelocities) {
    OpenByKey();
    Record(3);
    ASSERT_TRUE(WaitForSamples([this](const std::vector<TFigures>& items) {
        return !items.empty() && items.back().Iteration == Iterations.back();
    }));
    const TFigures live = Stats()->Series().Items().back();

    Main->ShowRecordedFrame(Main->RecordedFrames() - 1);
    ASSERT_TRUE(Stats()->ShowingFrames());
    ASSERT_TRUE(WaitForSamples([](const std::vector<TFigures>& items) { return !items.empty(); }));
    const TFigures frame = Stats()->Series().Items().back();
    EXPECT_EQ(frame.Iteration, live.Iteration);
    EXPECT_FALSE(frame.Kinetic);
    EXPECT_FALSE(frame.Total);
    // The frame keeps positions in single precision, and the universe's mass comes with it.
    EXPECT_NEAR(frame.Potential, live.Potential, 1e-6 + 1e-5 * std::abs(live.Potential));
    EXPECT_NEAR(frame.Heat, live.Heat, 1e-6 * live.Heat);

    Main->Session().LeavePlayback();
    EXPECT_FALSE(Stats()->ShowingFrames());
    EXPECT_EQ(Stats()->Series().Items().back().Iteration, live.Iteration);
}

} // namespace
