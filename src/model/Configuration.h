#pragma once

// The album settings: one record for the life of the program, edited by the settings page,
// written to and read from project files. Numbers always lie inside their ranges, and while an
// image group is square its height equals its width; the writers below keep both true after
// every single change.

#include "model/TextRules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// Ordered: every mode writes everything the one before it writes, and more.
enum class OutputMode { NoHTML = 0, ThumbsOnly, IndexOnly, WithGallery, WithDetails };

inline bool AtLeast(OutputMode mode, OutputMode least) { return static_cast<int>(mode) >= static_cast<int>(least); }

enum class UncategorizedPlacement { Ignore, AtStart, AtEnd };
enum class EqualizeMode { RGB, Gray };
enum class Aspect { quadratic, free };
// How the pages look: Classic as the album always was, Modern responsive in UTF-8 with pictures
// for HiDPI screens beside the usual ones.
enum class PageLayout { Classic, Modern };

const char* OutputModeName(OutputMode mode); // "NoHTML" … "WithDetails"
const char* UncategorizedPlacementName(UncategorizedPlacement p); // "Ignore", "AtStart", "AtEnd"
const char* EqualizeModeName(EqualizeMode mode); // "RGB", "Gray"
const char* AspectName(Aspect aspect); // "quadratic", "free"
const char* PageLayoutName(PageLayout layout); // "Classic", "Modern"

// The readings of enumeration texts in project files, lenient as old files require.
OutputMode OutputModeFromText(std::string_view text);
// No recognised word keeps `current`.
UncategorizedPlacement UncategorizedPlacementFromText(std::string_view text, UncategorizedPlacement current);
EqualizeMode EqualizeModeFromText(std::string_view text);
Aspect AspectFromText(std::string_view text);
// "Modern" in any letter case; everything else is the classic layout.
PageLayout PageLayoutFromText(std::string_view text);

// A number that cannot leave its range: assignments are clamped into it.
class TRangedNumber {
public:
    constexpr TRangedNumber(int value, NumberRange range)
        : m_value(range.Clamp(value))
        , m_range(range)
    {
    }
    TRangedNumber& operator=(int value)
    {
        m_value = m_range.Clamp(value);
        return *this;
    }
    operator int() const { return m_value; }
    int Value() const { return m_value; }
    const NumberRange& Range() const { return m_range; }

private:
    int m_value;
    NumberRange m_range;
};

// Settings of one kind of output image (preview images or thumbnails).
class TImageGroupSettings {
public:
    TImageGroupSettings(NumberRange sizeRange, int size, int quality, bool progressive, bool hasFrame);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Aspect GetAspect() const { return m_aspect; }
    const NumberRange& SizeRange() const { return m_width.Range(); }

    // Clamped; while the group is square the height follows.
    void SetWidth(int width);
    // Clamped; ignored while the group is square, where the height only mirrors the width.
    void SetHeight(int height);
    // Square copies the width into the height; free changes no number.
    void SetAspect(Aspect aspect);
    // The project-file reading of the three: numbers by NumberFromText, width first, then the
    // aspect with the square rule, exactly as if the file's values were applied one by one.
    void LoadSize(std::string_view widthText, std::string_view heightText, std::string_view aspectText);

    TRangedNumber Quality { 75, { 1, 99, 5 } };
    bool Progressive = true;

    // The bevelled edge of thumbnails: FrameSize 0 means no edge. The last width is kept while
    // the edge is off, so switching it on again brings that width back.
    bool HasFrame() const { return m_hasFrame; }
    int FrameSize() const { return m_frameEnabled ? m_frameWidth.Value() : 0; }
    int FrameWidth() const { return m_frameWidth; }
    bool FrameEnabled() const { return m_frameEnabled; }
    void SetFrameEnabled(bool enabled) { m_frameEnabled = enabled && m_hasFrame; }
    // 0 switches the edge off; 1 … 64 switches it on with that width (larger values clamp).
    void SetFrameSize(int size);
    // The project-file reading: empty text switches the edge off; a number switches it on with
    // that width, clamped to 1 … 64; other text switches it on with the last width.
    void LoadFrameSize(std::string_view text);
    static constexpr NumberRange FrameWidthRange { 1, 64, 1 };

private:
    TRangedNumber m_width;
    TRangedNumber m_height;
    Aspect m_aspect = Aspect::quadratic;
    bool m_hasFrame;
    bool m_frameEnabled;
    TRangedNumber m_frameWidth { 2, FrameWidthRange };
};

struct OutputFileSettings {
    std::string Template;
    bool UseOwnDirectory = false;
    std::string OwnDirectory;
};

struct PreprocessingSettings {
    bool MedianFilter = true;
    bool Equalize = false;
    TRangedNumber EqualizeStrength { 20, { 0, 500, 1 } }; // per mille
    korvo::EqualizeMode EqualizeMode = korvo::EqualizeMode::RGB;
    // Adding a JPEG takes its turn from the camera's EXIF orientation (loading a project does
    // not: the project holds the turns the user chose). On by default: phones and cameras mark
    // portraits this way, and a user expects them upright.
    bool ExifRotation = true;
};

struct OutputSettings {
    OutputMode Mode = OutputMode::WithDetails;
    TRangedNumber ThumbsPerLine { 5, { 1, 99, 1 } };
    UncategorizedPlacement UncategorizedImages = UncategorizedPlacement::AtStart;
    bool rm = false;
    // Rebuild only the pictures and pages whose result changed since the last run, by the
    // album's record; with rm on, everything is cleared and rebuilt as without it.
    bool Incremental = false;
    bool FullWidth = false;
    PageLayout Layout = PageLayout::Classic;
};

struct HTMLDocsSettings {
    std::string Index = "index";
    std::string Gallery = "image";
    std::string Details = "iinfo";
};

struct FileNameSettings {
    OutputFileSettings Preview { "image", false, "images" };
    OutputFileSettings Thumbnails { "thumb", false, "thumbs" };
    HTMLDocsSettings HTMLDocs;
    TRangedNumber Digits { 3, { 1, 9, 1 } };
};

// The text the destination holds until the user chooses one; a request, not a usable path.
inline constexpr const char* DefaultDestDir = "< bitte ein Verzeichnis auswählen >";

struct Configuration {
    bool Verbose = false;
    std::string DestDir = DefaultDestDir;
    std::string AlbumTitle;
    PreprocessingSettings Preprocessing;
    TImageGroupSettings PreviewImages { { 16, 2048, 16 }, 640, 75, true, false };
    TImageGroupSettings ThumbnailImages { { 16, 512, 16 }, 128, 40, false, true };
    OutputSettings Output;
    FileNameSettings FileNames;
};

// Every field, for the rules that address fields by name (in-effect rules, --set).
enum class ConfigField {
    Verbose,
    DestDir,
    AlbumTitle,
    MedianFilter,
    Equalize,
    EqualizeStrength,
    EqualizeMode,
    ExifRotation,
    PreviewWidth,
    PreviewHeight,
    PreviewAspect,
    PreviewQuality,
    PreviewProgressive,
    ThumbnailWidth,
    ThumbnailHeight,
    ThumbnailAspect,
    ThumbnailQuality,
    ThumbnailProgressive,
    ThumbnailFrameSize,
    OutputMode,
    ThumbsPerLine,
    UncategorizedImages,
    rm,
    Incremental,
    FullWidth,
    Layout,
    PreviewTemplate,
    PreviewUseOwnDirectory,
    PreviewOwnDirectory,
    ThumbnailsTemplate,
    ThumbnailsUseOwnDirectory,
    ThumbnailsOwnDirectory,
    HTMLDocsIndex,
    HTMLDocsGallery,
    HTMLDocsDetails,
    Digits,
};

// "PreviewImages.Width", "FileNames.Preview.Template", … as the project file names them.
const char* ConfigFieldName(ConfigField field);
std::optional<ConfigField> FindConfigField(std::string_view name);
const std::vector<ConfigField>& AllConfigFields();

// Whether a field currently matters (and so is enabled on the settings page). A field that is
// not in effect keeps its value.
bool IsInEffect(const Configuration& config, ConfigField field);

// Applies a value as a project file's attribute for that field would be read: flags by
// TextToFlag, numbers clamped, enumerations by their lenient readings, texts unchanged.
void ApplyFieldText(Configuration& config, ConfigField field, std::string_view text);

// The field's value as a project file writes it.
std::string FieldText(const Configuration& config, ConfigField field);

} // namespace korvo
