// The program korvo2: names the application, creates the main window and the hidden preview
// window, and runs the event loop until the main window is closed.

#include "model/Version.h"
#include "ui/AlbumOperations.h"
#include "ui/Main.h"
#include "ui/Preview.h"
#include "ui/QtPlatform.h"
#include "ui/Screenshots.h"
#include "ui/Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    using namespace korvo;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvo 2"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("korvo2"));
    QApplication::setFont(ProgramFont());

    TQtPlatform platform(QCoreApplication::applicationDirPath());
    TMainForm form(platform.Services(), MakeCoreOperations());
    TPreviewForm preview;
    form.SetPreviewForm(&preview);
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit);
    form.show();

    const QString screenshots = qEnvironmentVariable(ScreenshotVariable);
    if (!screenshots.isEmpty())
        QMetaObject::invokeMethod(
            &form, [&form, screenshots] { QCoreApplication::exit(SaveScreenshots(form, screenshots) ? 0 : 1); },
            Qt::QueuedConnection);
    return QApplication::exec();
}
