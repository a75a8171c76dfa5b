#pragma once

#include <memory>

class QApplication;
class TAboutBox;
class TMainForm;
class TPropertiesDlg;

/// The program's three windows, created in the order the start-up depends on: the main
/// window first, then the about box, then the properties window, whose creation already
/// passes four processing settings to the main window. The universe is built only when
/// the main window is first shown, after all three exist.
class TProgram {
public:
    static constexpr const char* Title = "Astrivo 2";
    static constexpr const char* HelpFile = "Astrivo.hlp";

    /// Sets the application's title, help-file name and icon, and creates the windows.
    explicit TProgram(QApplication& application);
    ~TProgram();

    /// Shows the main window where it stood last (which builds the universe and opens
    /// View 1), then the properties window where it stood last or beside View 1.
    void Show();

    TMainForm* MainForm() const { return FMainForm.get(); }
    TAboutBox* AboutBox() const { return FAboutBox; }
    TPropertiesDlg* PropertiesDlg() const { return FPropertiesDlg; }

private:
    std::unique_ptr<TMainForm> FMainForm;
    TAboutBox* FAboutBox = nullptr;           // owned by the main window
    TPropertiesDlg* FPropertiesDlg = nullptr; // owned by the main window
};
