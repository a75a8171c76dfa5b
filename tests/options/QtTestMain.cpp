// Entry point of the Qt test executables: one QApplication for all tests, never a display.
#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // The CTest environment for Qt tests ("NAME=value|..."), applied here because test
    // discovery runs the executable outside it and cannot carry a list as a property.
    for (const QByteArray& setting : QByteArray(ASTRIVO_QT_TEST_ENV).split('|')) {
        const qsizetype equals = setting.indexOf('=');
        if (equals > 0)
            qputenv(setting.left(equals).constData(), setting.mid(equals + 1));
    }
    // What the program remembers between runs goes to a folder of this run's own, never to
    // the user's settings; tests that look at it start from a clear memory.
    const QTemporaryDir memory;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope})
        QSettings::setPath(QSettings::IniFormat, scope, memory.path());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
