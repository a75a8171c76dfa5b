// Entry point of the Qt test executables: one QApplication for all tests, never a display.
#include <QApplication>
#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // The CTest environment for Qt tests ("NAME=value|..."), applied here because test
    // discovery runs the executable outside it and cannot carry a list as a property.
    for (const QByteArray& setting : QByteArray(ASTRIVO_QT_TEST_ENV).split('|')) {
        const qsizetype equals = setting.indexOf('=');
        if (equals > 0)
            qputenv(setting.left(equals).constData(), setting.mid(equals + 1));
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
