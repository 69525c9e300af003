#include "ui/Startup.h"

#include <QDir>
#include <QFontDatabase>
#include <QLocale>

#include <clocale>

namespace korvo {

void SetNumberFormat()
{
    std::setlocale(LC_NUMERIC, "C");
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(numbers);
}

QFont ProgramFont()
{
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Tahoma"))
        ? QFont(QStringLiteral("Tahoma"))
        : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Tahoma 8 point on the 96-dpi screens the layout was drawn for.
    font.setPixelSize(11);
    return font;
}

std::string WelcomeMessage(std::string_view version)
{
    std::string message = "/Willkommen in Korvo2";
    if (!version.empty()) {
        message += " Version ";
        message += version;
    }
    return message;
}

QStringList HelpFileCandidates(const QString& programFolder)
{
    const QDir folder(programFolder);
    return { QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("Korvo2.htm"))),
        QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("../share/korvo2/Korvo2.htm"))) };
}

} // namespace korvo
