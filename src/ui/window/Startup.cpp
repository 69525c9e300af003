#include "ui/window/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

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

ProgramArguments ParseProgramArguments(const QStringList& arguments)
{
    ProgramArguments parsed;
    bool onlyFiles = false;
    for (const QString& argument : arguments) {
        if (!onlyFiles && argument == QStringLiteral("--"))
            onlyFiles = true;
        else if (!onlyFiles && (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")))
            parsed.Help = true;
        else if (!onlyFiles && argument == QStringLiteral("--version"))
            parsed.Version = true;
        else
            parsed.Files << argument;
    }
    return parsed;
}

QStringList StartupPaths(const QStringList& arguments, const QString& currentFolder)
{
    const QDir folder(currentFolder);
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QString path = argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)
            ? QUrl(argument).toLocalFile()
            : argument;
        if (!path.isEmpty())
            paths << QDir::cleanPath(folder.absoluteFilePath(path));
    }
    return paths;
}

StartupFiles SortStartupFiles(const QStringList& paths)
{
    StartupFiles files;
    for (const QString& path : paths) {
        if (files.Project.isEmpty() && path.endsWith(QStringLiteral(".kv2"), Qt::CaseInsensitive))
            files.Project = path;
        else
            files.Others << path;
    }
    return files;
}

QString UsageText()
{
    return QStringLiteral("Aufruf: korvo2 [PROJEKT.kv2 | BILD... | ORDNER]\n\n"
                          "Startet Korvo 2, einen HTML-Bilderalbengenerator. Eine Projektdatei wird\n"
                          "geladen wie mit \"Laden\", Bilder werden hinzugefügt, ein einzelner Ordner\n"
                          "wird das Zielverzeichnis. Ohne Angaben startet das Programm leer.\n\n"
                          "  --help     diese Hilfe\n"
                          "  --version  Programmversion\n");
}

QString ProjectFileNameFor(const QString& albumTitle)
{
    QString name = albumTitle.trimmed();
    for (QChar& character : name)
        if (character.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(character))
            character = u'_';
    // A leading point would hide the file.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QString() : name + QStringLiteral(".kv2");
}

bool InstallQtTranslations(QTranslator& translator)
{
    if (!translator.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace korvo
