#pragma once

// The settings page "Allgemein": a view of the one Configuration. Every change the user makes is
// written to its field at once, through the model's rules (the square rule, the thumbnail edge);
// Refresh shows the fields again and applies the enabling rules, which follow IsInEffect.

#include "model/Configuration.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QVBoxLayout;

namespace korvo {

class TNumberSpinner;

class TSettingsPage : public QWidget {
    Q_OBJECT

public:
    TSettingsPage(Configuration& config, QWidget* parent);

    // Every control takes the value of its field; the enabling rules are applied.
    void Refresh();

    // The entries of the "HTML-Ausgabe:" list, from the first mode to the last.
    static QStringList OutputModeCaptions();

signals:
    void BDestDirClicked();
    void BLoadProjectClicked();
    // The arrow beside "Laden": the recent projects and "Speichern unter …".
    void BProjectMenuClicked();
    void BSaveProjectClicked();
    void BGoClicked();
    // The user changed a field of the configuration (the page shows it already).
    void ConfigurationEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ImageGroupControls {
        TNumberSpinner* SizeX = nullptr;
        QLabel* Times = nullptr;
        TNumberSpinner* SizeY = nullptr;
        QCheckBox* Quadratic = nullptr;
        TNumberSpinner* Quality = nullptr;
        QCheckBox* Progressive = nullptr;
    };

    void BuildGeneralGroup(QVBoxLayout* content);
    void BuildPreprocessingGroup(QVBoxLayout* content);
    ImageGroupControls BuildImageGroup(QVBoxLayout* content, const QString& heading, const QString& prefix,
        TImageGroupSettings& group, QGridLayout** gridOut);
    void BuildOutputGroup(QVBoxLayout* content);
    void BuildFileNameGroup(QVBoxLayout* content);
    QWidget* BuildButtonRow();

    // Bindings of plain fields: the change is written, then the page shows what the rules made.
    void BindText(QLineEdit* edit, std::string& field);
    void BindFlag(QCheckBox* box, bool& field);
    void BindNumber(TNumberSpinner* spinner, TRangedNumber& field);
    void BindImageGroup(const ImageGroupControls& controls, TImageGroupSettings& group);

    // After the user changed a field: show what the rules made of it, and tell the window.
    void FieldEdited();
    void CEnableFrameClick();
    void COutputHTMLChange(int index);

    void ShowImageGroup(const ImageGroupControls& controls, const TImageGroupSettings& group, bool heightInEffect);

    Configuration& m_config;
    bool m_refreshing = false;

    QScrollArea* m_scroller = nullptr;
    QLineEdit* m_destDir = nullptr;
    QLineEdit* m_title = nullptr;
    QCheckBox* m_medianFilter = nullptr;
    QCheckBox* m_enableEqualize = nullptr;
    TNumberSpinner* m_equalizeStrength = nullptr;
    QLabel* m_equalizeUnit = nullptr;
    QRadioButton* m_equalizeGray = nullptr;
    QRadioButton* m_equalizeRgb = nullptr;
    QCheckBox* m_exifRotation = nullptr;
    ImageGroupControls m_preview;
    ImageGroupControls m_thumbs;
    QCheckBox* m_enableFrame = nullptr;
    TNumberSpinner* m_frameSize = nullptr;
    QComboBox* m_outputHtml = nullptr;
    QLabel* m_layoutLabel = nullptr;
    QComboBox* m_layout = nullptr;
    QLabel* m_thumbsPerLineLabel = nullptr;
    TNumberSpinner* m_thumbsPerLine = nullptr;
    QRadioButton* m_uncatIgnore = nullptr;
    QRadioButton* m_uncatAtStart = nullptr;
    QRadioButton* m_uncatAtEnd = nullptr;
    QCheckBox* m_rmrf = nullptr;
    QCheckBox* m_incremental = nullptr;
    QCheckBox* m_fullWidth = nullptr;
    QLineEdit* m_fnPreview = nullptr;
    QCheckBox* m_dirPreviewCheck = nullptr;
    QLineEdit* m_dirPreview = nullptr;
    QLineEdit* m_fnThumbnails = nullptr;
    QCheckBox* m_dirThumbnailsCheck = nullptr;
    QLineEdit* m_dirThumbnails = nullptr;
    QLineEdit* m_fnHtml = nullptr;
    QLineEdit* m_fnInfo = nullptr;
    QLineEdit* m_fnIndex = nullptr;
    TNumberSpinner* m_digits = nullptr;
};

} // namespace korvo
