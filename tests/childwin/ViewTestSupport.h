#pragma once

#include "Childwin/ChildWin.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"
#include "universe/UniverseSnapshot.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>

// An MDI area with one view on a small seeded default universe.
struct ViewTest : testing::Test {
    QMdiArea Area;
    TUniverse Universe;
    std::shared_ptr<TUniverseSnapshot> Snapshot = std::make_shared<TUniverseSnapshot>();
    TMDIChild* View = nullptr;
    std::uint64_t RendersSeen = 0;

    ViewTest() {
        TUniverseSettings settings;
        settings.Number = 12; // 12 particles: quick to seed
        SettingsFormulas::BuildUniverse(Universe, settings, 99);
        Snapshot->CopyFrom(Universe);
        Area.resize(900, 700);
        Area.show();
        View = TMDIChild::Create(&Area, Snapshot->Space);
        View->ShowUniverse(Snapshot);
    }

    QMdiSubWindow* Sub() const { return View->SubWindow(); }

    // Gives the view a client area of exactly width x height pixels.
    void SetClientSize(int width, int height) {
        const QSize frame = Sub()->size() - View->size();
        Sub()->resize(width + frame.width(), height + frame.height());
    }

    // Notes how many pictures the view has rendered, so that a redraw shows.
    void MarkScreenPoints() { RendersSeen = View->Renders(); }
    bool Redrawn() const { return View->Renders() != RendersSeen; }
    std::uint64_t RendersSince() const { return View->Renders() - RendersSeen; }
};
