// The program korvo2: names the application, creates the main window and the hidden preview
// window, and runs the event loop until the main window is closed. Files named on the command
// line (the file manager's "Open with") are opened once the window is shown.

#include "model/Version.h"
#include "ui/window/ProgramWindow.h"
#include "ui/window/Startup.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace korvo;

    // Help and version need no display: answered before the window system is asked for.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const ProgramArguments asked = ParseProgramArguments(raw);
    if (asked.Help || asked.Version) {
        const QString text
            = asked.Help ? UsageText() : QStringLiteral("korvo2 %1\n").arg(QLatin1String(ProgramVersion));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    TProgramWindow window;
    TMainForm& form = window.Form();
    QObject::connect(&form, &TMainForm::Closed, &app, &QCoreApplication::quit);
    form.show();

    // Qt has taken its own options out of the arguments by now.
    const QStringList files
        = StartupPaths(ParseProgramArguments(QCoreApplication::arguments().mid(1)).Files, QDir::currentPath());
    if (!files.isEmpty())
        QMetaObject::invokeMethod(
            &form, [&form, files] { form.OpenFiles(files); }, Qt::QueuedConnection);
    return QApplication::exec();
}
