#pragma once

#include "Childwin/ChildWin.h"
#include "universe/SettingsFormulas.h"
#include "universe/Universe.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>

// An MDI area with one view on a small seeded default universe.
struct ViewTest : testing::Test {
    QMdiArea Area;
    TUniverse Universe;
    TMDIChild* View = nullptr;

    ViewTest() {
        TUniverseSettings settings;
        settings.Number = 12; // 12 particles: quick to seed
        SettingsFormulas::BuildUniverse(Universe, settings, 99);
        Area.resize(900, 700);
        Area.show();
        View = TMDIChild::Create(&Area, &Universe);
        View->Universe = &Universe;
    }

    QMdiSubWindow* Sub() const { return View->SubWindow(); }

    // Gives the view a client area of exactly width x height pixels.
    void SetClientSize(int width, int height) {
        const QSize frame = Sub()->size() - View->size();
        Sub()->resize(width + frame.width(), height + frame.height());
    }

    // Marks every particle's screen point so that a redraw shows in the universe.
    void MarkScreenPoints() {
        for (std::int32_t i = 0; i <= Universe.LastIndex; ++i)
            Universe.Particles[i].ScreenX = 7777;
    }
    bool Redrawn() const {
        for (std::int32_t i = 0; i <= Universe.LastIndex; ++i)
            if (Universe.Particles[i].ScreenX == 7777)
                return false;
        return true;
    }
};
