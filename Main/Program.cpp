#include "Main/Program.h"

#include "About/About.h"
#include "Main/ImageList.h"
#include "Main/Main.h"
#include "Options/Options.h"

#include <QApplication>
#include <QVariant>

TProgram::TProgram(QApplication& application) {
    application.setApplicationName(QString::fromLatin1(Title));
    // Where QSettings keeps what the desktop remembers between runs.
    application.setOrganizationName(QStringLiteral("Astrivo"));
    // Kept for the platform's help viewer; no command opens help.
    application.setProperty("HelpFile", QString::fromLatin1(HelpFile));
    application.setDesktopFileName(QStringLiteral("astrivo"));
    application.setWindowIcon(ProgramIcon::Icon());

    FMainForm = std::make_unique<TMainForm>();
    FAboutBox = new TAboutBox(FMainForm.get());
    FMainForm->SetAboutBox(FAboutBox);
    FPropertiesDlg =
        new TPropertiesDlg(FMainForm.get(), FMainForm.get(), &FMainForm->SettingsModel());
    FMainForm->SetPropertiesDlg(FPropertiesDlg);
}

TProgram::~TProgram() = default;

void TProgram::Show() {
    FMainForm->RestoreDesktop();
    FMainForm->show();
    FMainForm->PlacePropertiesDlg();
    FPropertiesDlg->show();
}
