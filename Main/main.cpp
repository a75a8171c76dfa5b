#include "Main/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    TProgram program(application);
    program.Show();
    return application.exec();
}
