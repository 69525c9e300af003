// korvo2-screenshots FOLDER: starts the windows as korvo2 does, saves a picture of every page into
// FOLDER and quits (0 when every picture was written). scripts/screenshots runs it in a virtual X
// server.

#include "Screenshots.h"
#include "ui/window/ProgramWindow.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace korvo;
    if (argc != 2) {
        std::fputs("Aufruf: korvo2-screenshots ORDNER\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    TProgramWindow window;
    TMainForm& form = window.Form();
    form.show();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QMetaObject::invokeMethod(
        &form, [&form, folder] { QCoreApplication::exit(SaveScreenshots(form, folder) ? 0 : 1); },
        Qt::QueuedConnection);
    return QApplication::exec();
}
