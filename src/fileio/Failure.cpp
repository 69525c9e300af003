#include "fileio/Failure.h"

#include <cerrno>

namespace korvo {

namespace {

    // What both directions share; NoReadPermission or NoWritePermission is the caller's.
    TFailure CommonFailure(int error, FailureReason refused)
    {
        switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            return { FailureReason::NotFound, {} };
        case ENAMETOOLONG:
            return { FailureReason::PathTooLong, {} };
        case EACCES:
        case EPERM:
            return { refused, {} };
        case EROFS:
            return { FailureReason::ReadOnlyDisk, {} };
        case ENOSPC:
        case EDQUOT:
            return { FailureReason::DiskFull, {} };
        case EFBIG:
        case EOVERFLOW:
            return { FailureReason::FileTooLarge, {} };
        case EISDIR:
        case ENXIO:
        case ENODEV:
        case ESPIPE:
            return { FailureReason::NotAFile, {} };
        case ENOMEM:
            return { FailureReason::OutOfMemory, {} };
        case EIO:
            return { FailureReason::InputOutput, {} };
        default:
            return { FailureReason::Unknown, {} };
        }
    }

} // namespace

TFailure ReadFailure(int error) { return CommonFailure(error, FailureReason::NoReadPermission); }

TFailure WriteFailure(int error) { return CommonFailure(error, FailureReason::NoWritePermission); }

std::string FailureText(const TFailure& failure)
{
    switch (failure.Reason) {
    case FailureReason::NotFound:
        return "Datei nicht gefunden";
    case FailureReason::PathTooLong:
        return "Pfad ist zu lang";
    case FailureReason::NoReadPermission:
        return "Keine Leseberechtigung";
    case FailureReason::NoWritePermission:
        return "Keine Schreibberechtigung";
    case FailureReason::ReadOnlyDisk:
        return "Datenträger ist schreibgeschützt";
    case FailureReason::DiskFull:
        return "Kein Platz auf dem Datenträger";
    case FailureReason::FileTooLarge:
        return "Datei ist zu groß";
    case FailureReason::NotAFile:
        return "Keine gewöhnliche Datei";
    case FailureReason::NotAFolder:
        return "Kein Verzeichnis";
    case FailureReason::Empty:
        return "Datei ist leer";
    case FailureReason::Incomplete:
        return "Datei ist unvollständig";
    case FailureReason::NotJpeg:
        return failure.Detail.empty() ? "Kein JPEG" : "Kein JPEG (beginnt mit " + failure.Detail + ")";
    case FailureReason::Unreadable:
        return failure.Detail.empty() ? "Bilddaten nicht lesbar" : "Keine lesbare " + failure.Detail + "-Datei";
    case FailureReason::CorruptData:
        return "Bilddaten fehlerhaft";
    case FailureReason::PictureTooLarge:
        return "Bild ist zu groß";
    case FailureReason::PictureTooThin:
        return "Bild ist zu schmal für diese Größe";
    case FailureReason::OutOfMemory:
        return "Nicht genug Arbeitsspeicher";
    case FailureReason::InputOutput:
        return "Ein-/Ausgabefehler des Datenträgers";
    case FailureReason::NoDestination:
        return "Kein Zielverzeichnis gewählt";
    case FailureReason::FolderNotFound:
        return "Verzeichnis nicht gefunden";
    case FailureReason::BadFolderName:
        return "Ungültiger Name eines Bilderverzeichnisses";
    case FailureReason::NotAProject:
        return "Keine Projektdatei";
    case FailureReason::None:
    case FailureReason::Unknown:
        break;
    }
    return "Unbekannter Fehler";
}

std::string FailureLine(const TFailure& failure) { return "_" + FailureText(failure); }

std::string DamageLine(FailureReason damage) { return "-Bild beschädigt: " + FailureText({ damage, {} }); }

} // namespace korvo
