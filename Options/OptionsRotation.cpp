// The View page's rotation controls: held arrow buttons and the mouse rotation panel turn
// the active view's camera on a 30 ms timer; Reset puts it back to the standard position.
#include "Options/Options.h"

#include "Childwin/CameraDrag.h"
#include "Childwin/ChildWin.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace {

// Symbol glyphs for the faces: arrows, a dot for the panel.
const QString LeftArrow = QStringLiteral("\u25C0");
const QString RightArrow = QStringLiteral("\u25B6");
const QString UpArrow = QStringLiteral("\u25B2");
const QString DownArrow = QStringLiteral("\u25BC");
const QString PanelDot = QStringLiteral("\u25CF");

QFont SymbolFont(const QWidget* widget, int pixels) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    return font;
}

QPushButton* MakeButton(const char* name, const QString& face, QRect geometry, QWidget* parent) {
    auto* button = new QPushButton(face, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(SymbolFont(parent, 9));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

QFrame* MakePanel(const char* name, QRect geometry, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* face = new QLabel(PanelDot, panel);
    face->setAlignment(Qt::AlignCenter);
    face->setGeometry(0, 0, geometry.width(), geometry.height());
    face->setFont(SymbolFont(parent, 9));
    face->setAttribute(Qt::WA_TransparentForMouseEvents);
    return panel;
}

QLineEdit* MakeDigits(const char* name, const QString& text, QRect geometry, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    edit->setInputMask(QStringLiteral("000; "));
    edit->setText(text);
    edit->setEnabled(false);
    return edit;
}

} // namespace

void TPropertiesDlg::BuildRotationControls(QWidget* page) {
    // To the right of the page's settings, beyond the window's designed width: it comes
    // into sight when the user widens the window.
    GroupRotation = new QGroupBox(QStringLiteral(" Universe Rotation "), page);
    GroupRotation->setObjectName(QStringLiteral("GroupRotation"));
    GroupRotation->setGeometry(288, 108, 121, 101);

    Button2 = MakeButton("Button2", LeftArrow, {10, 32, 15, 25}, GroupRotation);
    Button5 = MakeButton("Button5", RightArrow, {48, 32, 15, 25}, GroupRotation);
    Button6 = MakeButton("Button6", UpArrow, {24, 18, 25, 15}, GroupRotation);
    Button7 = MakeButton("Button7", DownArrow, {24, 56, 25, 15}, GroupRotation);
    PanelMouseRot = MakePanel("PanelMouseRot", {24, 32, 25, 25}, GroupRotation);
    PanelMouseRot->setCursor(Qt::CrossCursor);
    Button8 = new QPushButton(QStringLiteral("Reset"), GroupRotation);
    Button8->setObjectName(QStringLiteral("Button8"));
    Button8->setGeometry(56, 15, 41, 15);
    Button8->setAutoDefault(false);

    EditRotX = MakeDigits("EditRotX", QStringLiteral("000"), {20, 72, 32, 22}, GroupRotation);
    EditRotY = MakeDigits("EditRotY", QStringLiteral("000"), {64, 32, 32, 22}, GroupRotation);
    // Field-of-view and dolly buttons have no action.
    BtnFOVWider =
        MakeButton("BtnFOVWider", LeftArrow + ' ' + RightArrow, {80, 63, 33, 15}, GroupRotation);
    Button1 = MakeButton("Button1", LeftArrow + ' ' + RightArrow, {80, 79, 33, 15}, GroupRotation);
    // Between the lower field and the buttons there are 27 pixels for each caption.
    for (const auto& [text, top] : {std::pair{"FoV", 63}, std::pair{"Dolly", 79}}) {
        auto* caption = new QLabel(QString::fromLatin1(text), GroupRotation);
        caption->setFont(SymbolFont(GroupRotation, 10));
        caption->setGeometry(53, top, 26, 15);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    for (QWidget* control : {static_cast<QWidget*>(Button2), static_cast<QWidget*>(Button5),
                             static_cast<QWidget*>(Button6), static_cast<QWidget*>(Button7),
                             static_cast<QWidget*>(PanelMouseRot)})
        control->installEventFilter(this);
    connect(Button8, &QPushButton::clicked, this, &TPropertiesDlg::Button8Click);
    connect(TimerMouseAct, &QTimer::timeout, this, &TPropertiesDlg::TimerMouseActTimer);
}

void TPropertiesDlg::BuildCameraPosition(QWidget* page) {
    // Present but disabled throughout, with no handlers.
    CamPos = new QGroupBox(QStringLiteral(" Camera Position "), page);
    CamPos->setObjectName(QStringLiteral("CamPos"));
    CamPos->setGeometry(304, 4, 105, 101);
    MakeButton("CamPosMoveLeft", LeftArrow, {10, 32, 15, 25}, CamPos);
    MakeButton("CamPosMoveRight", RightArrow, {48, 32, 15, 25}, CamPos);
    MakeButton("Button4", UpArrow, {24, 18, 25, 15}, CamPos);
    MakeButton("Button3", DownArrow, {24, 56, 25, 15}, CamPos);
    MakePanel("Panel4", {24, 32, 25, 25}, CamPos);
    MakeDigits("MaskEdit2", QString(), {20, 72, 32, 22}, CamPos);
    MakeDigits("MaskEdit3", QString(), {64, 32, 32, 22}, CamPos);
    auto* reset = new QPushButton(QStringLiteral("Reset"), CamPos);
    reset->setObjectName(QStringLiteral("Button9"));
    reset->setGeometry(56, 15, 41, 15);
    reset->setAutoDefault(false);
    CamPos->setEnabled(false);
}

bool TPropertiesDlg::eventFilter(QObject* watched, QEvent* event) {
    // Any mouse button holds a rotation, whatever the modifier keys.
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseMove && type != QEvent::MouseButtonDblClick)
        return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (watched == PanelMouseRot) {
        if (down)
            PanelMouseRotMouseDown(at.x(), at.y());
        else if (type == QEvent::MouseMove)
            PanelMouseRotMouseMove(at.x(), at.y());
        else
            PanelMouseRotMouseUp();
        return true; // the panel keeps the pointer while a button is held
    }
    if (type == QEvent::MouseMove)
        return QDialog::eventFilter(watched, event);
    if (watched == Button2)
        down ? Button2MouseDown() : Button2MouseUp();
    else if (watched == Button5)
        down ? Button5MouseDown() : Button5MouseUp();
    else if (watched == Button6)
        down ? Button6MouseDown() : Button6MouseUp();
    else if (watched == Button7)
        down ? Button7MouseDown() : Button7MouseUp();
    // The buttons still see the event, so they look pressed while held.
    return QDialog::eventFilter(watched, event);
}

void TPropertiesDlg::StartRotation(TRotateAction action) {
    FRotateAction = action;
    TimerMouseAct->start();
}

void TPropertiesDlg::StopRotation() {
    FRotateAction = raNone;
    TimerMouseAct->stop();
}

void TPropertiesDlg::Button2MouseDown() {
    // Only the left arrow acts at once; the others wait for the first tick.
    FRotateAction = raLeft;
    TimerMouseActTimer();
    TimerMouseAct->start();
}

void TPropertiesDlg::Button5MouseDown() {
    StartRotation(raRight);
}
void TPropertiesDlg::Button6MouseDown() {
    StartRotation(raUp);
}
void TPropertiesDlg::Button7MouseDown() {
    StartRotation(raDown);
}
void TPropertiesDlg::Button2MouseUp() {
    StopRotation();
}
void TPropertiesDlg::Button5MouseUp() {
    StopRotation();
}
void TPropertiesDlg::Button6MouseUp() {
    StopRotation();
}
void TPropertiesDlg::Button7MouseUp() {
    StopRotation();
}

void TPropertiesDlg::UpdateMouseRates(int dx, int dy) {
    FMouseTurnRate = RotationControl::MouseRate(dx);
    FMouseTiltRate = RotationControl::MouseRate(dy);
}

void TPropertiesDlg::PanelMouseRotMouseDown(int x, int y) {
    UpdateMouseRates(x - PanelMouseRot->width() / 2, y - PanelMouseRot->height() / 2);
    StartRotation(raMouse);
}

void TPropertiesDlg::PanelMouseRotMouseMove(int x, int y) {
    if (FRotateAction == raMouse)
        UpdateMouseRates(x - PanelMouseRot->width() / 2, y - PanelMouseRot->height() / 2);
}

void TPropertiesDlg::PanelMouseRotMouseUp() {
    StopRotation();
}

void TPropertiesDlg::TimerMouseActTimer() {
    TMDIChild* view = ActiveView();
    if (!view)
        return;
    view->TurnCamera([this](TViewCamera& camera) {
        return RotationControl::Tick(camera, FRotateAction, FMouseTurnRate, FMouseTiltRate);
    });
}

void TPropertiesDlg::Button8Click() {
    TMDIChild* view = ActiveView();
    if (!view)
        return;
    view->TurnCamera([space = Space(), view](TViewCamera& camera) {
        RotationControl::Reset(camera, space);
        // Reset keeps the zoom, but not a dead one: the standard camera must show something.
        KeepZoomAlive(camera, view->height());
        return true;
    });
}
