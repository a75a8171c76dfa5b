#include "ViewTestSupport.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>

#include <cmath>
#include <numbers>

namespace {

int Green(const QImage& image, int x, int y) {
    return qGreen(image.pixel(x, y));
}

} // namespace

TEST_F(ViewTest, CreationDefaults) {
    EXPECT_STREQ(View->metaObject()->className(), "TMDIChild");
    EXPECT_EQ(View->windowTitle(), "MDI Child");
    EXPECT_EQ(Sub()->size(), QSize(320, 256));
    const int clientHeight = View->height();
    EXPECT_GT(clientHeight, 200);
    EXPECT_DOUBLE_EQ(View->Camera().ZoomX, 0.06 * clientHeight);
    EXPECT_DOUBLE_EQ(View->Camera().ZoomY, 0.06 * clientHeight);
    EXPECT_DOUBLE_EQ(View->Camera().Elevation, std::numbers::pi / 4);
    EXPECT_DOUBLE_EQ(View->Camera().Dolly, -5 * Universe.Space);
    EXPECT_EQ(View->Camera().OffsetX, 0);
    EXPECT_EQ(View->Camera().Azimuth, 0);
    EXPECT_EQ(View->ShowAs(), saMonocular);
    EXPECT_TRUE(View->ShowLuminance());
    EXPECT_EQ(View->Contrast(), 100);
    EXPECT_EQ(View->Brightness(), 0);
    EXPECT_EQ(View->PartSize(), 10);
    EXPECT_FALSE(View->UseLines());
    EXPECT_FALSE(View->Closing());
}

TEST_F(ViewTest, ViewCaptionIsTheSubWindowCaption) {
    View->setWindowTitle("View 1");
    EXPECT_EQ(Sub()->windowTitle(), "View 1");
    EXPECT_TRUE(Sub()->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_TRUE(Sub()->isVisible());
}

TEST_F(ViewTest, CreatedWithoutAUniverseTheDollyStartsAtZero) {
    TMDIChild* view = TMDIChild::Create(&Area, 0);
    EXPECT_EQ(view->Camera().Dolly, 0);
    view->FormResize();
    view->PresentFrame();
    EXPECT_TRUE(view->FrameValid());
}

TEST_F(ViewTest, PublishedPropertiesGoThroughTheirWriters) {
    QSignalSpy selected(View, &TMDIChild::ShowAsSelected);
    EXPECT_TRUE(View->setProperty("Contrast", 55));
    EXPECT_TRUE(View->setProperty("PartSize", 3));
    EXPECT_TRUE(View->setProperty("Brightness", -4));
    EXPECT_TRUE(View->setProperty("ShowLuminance", false));
    EXPECT_TRUE(View->setProperty("UseLines", true));
    EXPECT_TRUE(View->setProperty("ShowAs", 2));
    EXPECT_EQ(View->Contrast(), 55);
    EXPECT_EQ(View->PartSize(), 3);
    EXPECT_EQ(View->Brightness(), -4);
    EXPECT_FALSE(View->ShowLuminance());
    EXPECT_TRUE(View->UseLines());
    EXPECT_EQ(View->ShowAs(), saChromoStereo);
    EXPECT_EQ(View->property("ShowAs").toInt(), 2);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), 2);
}

// New views, the preset and files all copy a view through Settings and ApplySettings: a
// field either of them leaves out would be lost on every one of those paths.
TEST_F(ViewTest, SettingsTravelWholeWithOneRedraw) {
    View->WaitForPicture();
    TViewSettings settings;
    settings.Camera = TViewCamera{1, 2, -30, 0.4, 0.6, 17, 19};
    settings.ShowAs = saChromoStereo;
    settings.Contrast = 222;
    settings.Brightness = -3;
    settings.PartSize = 33;
    settings.ShowLuminance = !View->ShowLuminance();
    settings.UseLines = !View->UseLines();
    settings.ShowGrid = !View->ShowGrid();
    QSignalSpy selected(View, &TMDIChild::ShowAsSelected);
    MarkScreenPoints();
    View->ApplySettings(settings);
    EXPECT_EQ(View->Settings(), settings);
    View->WaitForPicture();
    EXPECT_EQ(RendersSince(), 1u);
    EXPECT_EQ(selected.size(), 1); // the properties window follows the new method

    MarkScreenPoints();
    View->ApplySettings(settings);
    View->WaitForPicture();
    EXPECT_FALSE(Redrawn());
    EXPECT_EQ(selected.size(), 1);
}

TEST_F(ViewTest, WritersRedrawOnChangeAndDoNothingOnAnEqualValue) {
    View->FormResize();
    View->WaitForPicture();
    const auto check = [this](const char* name, auto same, auto other) {
        MarkScreenPoints();
        View->setProperty(name, same);
        View->WaitForPicture();
        EXPECT_FALSE(Redrawn()) << name << " redrew on an equal value";
        View->setProperty(name, other);
        EXPECT_FALSE(View->FrameValid()) << name << " drew on the window thread";
        View->WaitForPicture();
        EXPECT_EQ(RendersSince(), 1u) << name << " did not render exactly once";
        EXPECT_TRUE(View->FrameValid()) << name;
    };
    check("ShowLuminance", true, false);
    check("Contrast", 100, 101);
    check("Brightness", 0, 9);
    check("PartSize", 10, 11);
    check("UseLines", false, true);
    check("ShowAs", 0, 1);
}

TEST_F(ViewTest, ShowAsWriterSelectsTheListRowOnlyOnAChange) {
    QSignalSpy selected(View, &TMDIChild::ShowAsSelected);
    View->SetShowAs(saMonocular);
    EXPECT_EQ(selected.count(), 0);
    View->SetShowAs(saAutoStereo);
    View->SetShowAs(saAutoStereo);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), 1);
}

TEST_F(ViewTest, ActivationTellsWhoeverListens) {
    QSignalSpy activated(View, &TMDIChild::Activated);
    View->FormActivate();
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).value<TMDIChild*>(), View);
}

TEST_F(ViewTest, FrameFollowsTheClientSizeAndCentreRoundsDown) {
    SetClientSize(301, 207);
    EXPECT_EQ(View->size(), QSize(301, 207));
    EXPECT_EQ(View->Frame().size(), QSize(301, 207));
    EXPECT_EQ(View->Frame().format(), QImage::Format_RGB32);
    EXPECT_EQ(View->CentreX(), 150);
    EXPECT_EQ(View->CentreY(), 103);
    EXPECT_FALSE(View->FrameValid());
}

TEST_F(ViewTest, ClientAreaNeverGetsShorterThanThirtyPixels) {
    SetClientSize(200, 12);
    EXPECT_EQ(View->height(), 30);
    EXPECT_EQ(View->Frame().height(), 30);
    EXPECT_EQ(View->CentreY(), 15);
    SetClientSize(200, 0);
    EXPECT_EQ(View->height(), 30);
    SetClientSize(200, 31);
    EXPECT_EQ(View->height(), 31);
}

TEST_F(ViewTest, MinimisedViewIsLeftMinimised) {
    SetClientSize(200, 150);
    Sub()->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Sub()->isMinimized());
    Sub()->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(View->size(), QSize(200, 150));
    EXPECT_EQ(View->Frame().size(), QSize(200, 150));
}

TEST_F(ViewTest, ViewOutsideAnMdiAreaKeepsThirtyPixelsToo) {
    TMDIChild plain;
    plain.FormCreate(0);
    plain.resize(100, 10);
    plain.ResizeFrame();
    EXPECT_EQ(plain.height(), 30);
    EXPECT_EQ(plain.Frame().size(), QSize(100, 30));
}

TEST_F(ViewTest, ClosingViewIsNeitherResizedNorDrawn) {
    SetClientSize(200, 150);
    View->PresentFrame();
    View->WaitForPicture();
    View->MarkClosing();
    SetClientSize(300, 250);
    EXPECT_EQ(View->Frame().size(), QSize(200, 150));
    MarkScreenPoints();
    View->Redraw();
    View->PresentFrame();
    View->RenderFrame();
    View->SetContrast(7);
    View->Redraw();
    View->WaitForPicture();
    EXPECT_FALSE(Redrawn());
    EXPECT_FALSE(View->FrameValid());
}

TEST_F(ViewTest, ClosingFreesTheViewButNotTheUniverse) {
    View->WaitForPicture(); // no picture of it still being drawn
    QPointer<TMDIChild> view = View;
    const long holders = Snapshot.use_count();
    Sub()->close();
    ASSERT_FALSE(view.isNull()); // still there until the event loop frees it
    EXPECT_TRUE(view->Closing());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
    EXPECT_TRUE(Area.subWindowList().isEmpty());
    EXPECT_EQ(Snapshot.use_count(), holders - 1); // the view let go of what it drew
    EXPECT_EQ(Snapshot->LastIndex(), 11);
}

TEST_F(ViewTest, DestroyReleasesTheFrameAndStopsDrawing) {
    SetClientSize(100, 100);
    View->FormDestroy();
    EXPECT_TRUE(View->Frame().isNull());
    View->Redraw();
    View->PresentFrame(); // nothing left to draw into: stays null, no crash
    EXPECT_TRUE(View->FrameValid());
    EXPECT_TRUE(View->Frame().isNull());
    View->Redraw();
    View->WaitForPicture();
    EXPECT_TRUE(View->Frame().isNull());
}

TEST_F(ViewTest, DrawParticleBlendsGreyIntoTheFrameRows) {
    SetClientSize(300, 200);
    View->SetContrast(128);
    View->ClearFrame();
    View->DrawParticle(255, 150.0, 80.0, 2.0, 6.0);
    const QImage& f = View->Frame();
    EXPECT_EQ(f.pixel(150, 80), qRgb(244, 244, 244));
    EXPECT_EQ(Green(f, 149, 80), 81);
    EXPECT_EQ(Green(f, 150, 81), 81);
    EXPECT_EQ(Green(f, 149, 79), 14);
    EXPECT_EQ(Green(f, 152, 80), 0);
}

TEST_F(ViewTest, PresentedFrameShowsTheUniverseAndMarksItValid) {
    SetClientSize(320, 240);
    View->WaitForPicture();
    TViewCamera level = View->Camera();
    level.Elevation = 0;
    View->SetCamera(level); // asks the drawing thread for a picture
    MarkScreenPoints();
    View->PresentFrame(); // draws one here and now instead
    EXPECT_TRUE(View->FrameValid());
    EXPECT_TRUE(Redrawn());
    int lit = 0;
    for (int y = 0; y < View->Frame().height(); ++y)
        for (int x = 0; x < View->Frame().width(); ++x)
            lit += Green(View->Frame(), x, y) > 0;
    EXPECT_GT(lit, 12);
    // A valid frame is shown as it is (once the picture asked for is done or dropped).
    View->WaitForPicture();
    MarkScreenPoints();
    View->PresentFrame();
    EXPECT_FALSE(Redrawn());
    // A stereo method draws no dots.
    View->SetShowAs(saAutoStereo);
    View->WaitForPicture();
    EXPECT_EQ(View->Frame().pixel(View->CentreX(), View->CentreY()), qRgb(0, 0, 0));
}

TEST_F(ViewTest, CloseLinesAreDrawnInPureRed) {
    SetClientSize(200, 100);
    auto two = std::make_shared<TUniverseSnapshot>();
    two->Particles = {{-40, 0, 0, 0}, {40, 0, 0, 0}}; // view X = 40 and -40 at azimuth 0
    two->IterationCount = 1;
    two->PairLast = 0;
    two->Pairs = {{1, 0, 0.1}};
    View->ShowUniverse(two);
    TViewCamera camera;
    camera.ZoomX = camera.ZoomY = 1;
    camera.Dolly = -100;
    View->SetCamera(camera);
    View->SetUseLines(true);
    View->WaitForPicture();
    EXPECT_EQ(View->Frame().pixel(100, 50), qRgb(255, 0, 0));
    EXPECT_EQ(View->Frame().pixel(70, 50), qRgb(255, 0, 0));
    EXPECT_EQ(View->Frame().pixel(100, 52), qRgb(0, 0, 0));
    View->SetUseLines(false);
    View->WaitForPicture();
    EXPECT_NE(View->Frame().pixel(100, 50), qRgb(255, 0, 0));
    View->ShowUniverse(nullptr);
    View->WaitForPicture();
    EXPECT_EQ(View->Frame().pixel(70, 50), qRgb(0, 0, 0));
}
