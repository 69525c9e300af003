#pragma once

// Why reading or writing a file failed, as a value that the core carries from the failing call
// up to the log: the error number of the open, read or write, or the verdict of a decoder. The
// window and the command-line tool show it on a grey line under the failure's red one. The set
// of reasons is closed; whatever fits none of them is "Unbekannter Fehler".

#include <cstdint>
#include <string>

namespace korvo {

enum class FailureReason : std::uint8_t {
    None,
    NotFound, // nothing at the path, or a folder on the way is missing
    PathTooLong,
    NoReadPermission,
    NoWritePermission,
    ReadOnlyDisk, // the file system is mounted read-only
    DiskFull, // no space or quota left
    FileTooLarge, // larger than the reader takes, or than the file system or limit allows
    NotAFile, // a folder, a device or a pipe carries the name
    NotAFolder, // something other than a folder carries a folder's name
    Empty,
    Incomplete, // the file ends before its picture does
    NotJpeg, // the decoder found no JPEG start; Detail holds the two bytes it found
    Unreadable, // the decoder refused the data; Detail names the kind ("PNG")
    CorruptData, // the decoder worked around damaged picture data
    PictureTooLarge, // more pixels than any picture may have
    PictureTooThin, // a side of its fitted picture would be less than one pixel
    OutOfMemory,
    InputOutput, // the device reported an error
    NoDestination, // no destination folder was chosen
    FolderNotFound, // the folder a destination folder would be created in is missing
    BadFolderName, // an own picture folder is no plain folder name
    NotAProject, // a file read as a project holds none
    Unknown,
};

struct TFailure {
    FailureReason Reason = FailureReason::None;
    std::string Detail;

    explicit operator bool() const { return Reason != FailureReason::None; }
    bool operator==(const TFailure&) const = default;
};

// The reason of an error number from opening or reading (`ReadFailure`), or from creating,
// writing, closing or renaming (`WriteFailure`); they differ in what a refused access means.
TFailure ReadFailure(int error);
TFailure WriteFailure(int error);

// The German text of a reason, without a kind character: "Datei nicht gefunden".
std::string FailureText(const TFailure& failure);

// The grey line that follows a failure's line: "_" and the text ("Unbekannter Fehler" when no
// reason is known, so that every failure line has its reason).
std::string FailureLine(const TFailure& failure);

// The red line that follows a picture that was used although its decoder had to work around
// damage: "-Bild beschädigt: " and the text of `damage` (Incomplete or CorruptData).
std::string DamageLine(FailureReason damage);

} // namespace korvo
