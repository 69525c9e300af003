#include "ui/settings/SettingsPage.h"

#include "ui/settings/NumberSpinner.h"
#include "ui/window/Artwork.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvo {

namespace {

    QString Text(const std::string& text) { return QString::fromStdString(text); }

    QLabel* MakeLabel(const QString& text, const QString& name = {})
    {
        auto* label = new QLabel(text);
        if (!name.isEmpty())
            label->setObjectName(name);
        return label;
    }

    QCheckBox* MakeCheck(const QString& text, const QString& name)
    {
        auto* box = new QCheckBox(text);
        box->setObjectName(name);
        return box;
    }

    QRadioButton* MakeRadio(const QString& text, const QString& name)
    {
        auto* radio = new QRadioButton(text);
        radio->setObjectName(name);
        return radio;
    }

    QLineEdit* MakeEdit(const QString& name)
    {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        return edit;
    }

    TNumberSpinner* MakeSpinner(const QString& editName, const QString& spinnerName, NumberRange range, int width)
    {
        auto* spinner = new TNumberSpinner(spinnerName, editName, range, nullptr);
        spinner->setFixedWidth(width);
        spinner->setAlignment(Qt::AlignRight);
        return spinner;
    }

    // A bold heading with a rule that runs on to the right edge.
    void AddHeading(QVBoxLayout* content, const QString& text)
    {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        auto* heading = new QLabel(text);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        auto* rule = new QFrame;
        rule->setFrameShape(QFrame::HLine);
        rule->setFrameShadow(QFrame::Sunken);
        row->addWidget(heading);
        row->addWidget(rule, 1);
        if (content->count() > 0)
            content->addSpacing(6);
        content->addLayout(row);
    }

    QGridLayout* AddGrid(QVBoxLayout* content)
    {
        auto* grid = new QGridLayout;
        grid->setContentsMargins(8, 2, 0, 0);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(4);
        content->addLayout(grid);
        return grid;
    }

    QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretchAfter = true)
    {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        for (QWidget* widget : widgets)
            row->addWidget(widget);
        if (stretchAfter)
            row->addStretch(1);
        return row;
    }

    void SetText(QLineEdit* edit, const std::string& text)
    {
        const QString shown = Text(text);
        if (edit->text() != shown)
            edit->setText(shown);
    }

    QPushButton* MakeButton(const QString& text, const QString& name, ButtonIcon icon)
    {
        auto* button = new QPushButton(MakeButtonIcon(icon), text);
        button->setObjectName(name);
        return button;
    }

} // namespace

QStringList TSettingsPage::OutputModeCaptions()
{
    return { QStringLiteral("keine"), QStringLiteral("keine, aber Thumbnails erzeugen"),
        QStringLiteral("nur Übersicht"), QStringLiteral("Übersicht und Album"),
        QStringLiteral("Übersicht und Album mit Details") };
}

TSettingsPage::TSettingsPage(Configuration& config, QWidget* parent)
    : QWidget(parent)
    , m_config(config)
{
    setObjectName(QStringLiteral("PCommon"));

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("OptionsContent"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 2, 4, 6);
    contentLayout->setSpacing(2);
    BuildGeneralGroup(contentLayout);
    BuildPreprocessingGroup(contentLayout);
    QGridLayout* previewGrid = nullptr;
    m_preview = BuildImageGroup(
        contentLayout, QStringLiteral("Vorschaubilder"), QStringLiteral("P"), m_config.PreviewImages, &previewGrid);
    QGridLayout* thumbGrid = nullptr;
    m_thumbs = BuildImageGroup(
        contentLayout, QStringLiteral("Thumbnails"), QStringLiteral("T"), m_config.ThumbnailImages, &thumbGrid);
    m_enableFrame = MakeCheck(QStringLiteral("3D-Kante:"), QStringLiteral("CEnableFrame"));
    m_frameSize = MakeSpinner(
        QStringLiteral("EFrameSize"), QStringLiteral("CFrameSize"), TImageGroupSettings::FrameWidthRange, 46);
    // On a line of its own, so the wider check box does not push the size spinners out of line
    // with those of the preview images.
    thumbGrid->addLayout(
        Row({ m_enableFrame, m_frameSize, MakeLabel(QStringLiteral("Pixel"), QStringLiteral("LFrameSize")) }), 2, 0, 1,
        2);
    BuildOutputGroup(contentLayout);
    BuildFileNameGroup(contentLayout);
    contentLayout->addStretch(1);

    // The scroll area keeps its misspelt name: it is the one the documentation uses.
    m_scroller = new QScrollArea;
    m_scroller->setObjectName(QStringLiteral("OptionsScoller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroller->verticalScrollBar()->setTracking(true);
    m_scroller->setWidget(content);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(52, 4, 4, 6);
    page->setSpacing(6);
    page->addWidget(m_scroller, 1);
    page->addWidget(BuildButtonRow());

    // Bindings: explicit, one line per field.
    BindText(m_destDir, m_config.DestDir);
    BindText(m_title, m_config.AlbumTitle);
    BindFlag(m_medianFilter, m_config.Preprocessing.MedianFilter);
    BindFlag(m_enableEqualize, m_config.Preprocessing.Equalize);
    BindNumber(m_equalizeStrength, m_config.Preprocessing.EqualizeStrength);
    BindFlag(m_exifRotation, m_config.Preprocessing.ExifRotation);
    connect(m_equalizeGray, &QRadioButton::toggled, this, [this](bool checked) {
        if (m_refreshing || !checked)
            return;
        m_config.Preprocessing.EqualizeMode = EqualizeMode::Gray;
        FieldEdited();
    });
    connect(m_equalizeRgb, &QRadioButton::toggled, this, [this](bool checked) {
        if (m_refreshing || !checked)
            return;
        m_config.Preprocessing.EqualizeMode = EqualizeMode::RGB;
        FieldEdited();
    });
    BindImageGroup(m_preview, m_config.PreviewImages);
    BindImageGroup(m_thumbs, m_config.ThumbnailImages);
    connect(m_enableFrame, &QCheckBox::toggled, this, [this] { CEnableFrameClick(); });
    connect(m_frameSize, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_refreshing)
            return;
        m_config.ThumbnailImages.SetFrameSize(value);
        FieldEdited();
    });
    connect(m_outputHtml, &QComboBox::currentIndexChanged, this, [this](int index) { COutputHTMLChange(index); });
    connect(m_layout, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_refreshing || index < 0)
            return;
        m_config.Output.Layout = index == 1 ? PageLayout::Modern : PageLayout::Classic;
        FieldEdited();
    });
    BindNumber(m_thumbsPerLine, m_config.Output.ThumbsPerLine);
    auto* uncategorized = new QButtonGroup(this);
    uncategorized->addButton(m_uncatIgnore, int(UncategorizedPlacement::Ignore));
    uncategorized->addButton(m_uncatAtStart, int(UncategorizedPlacement::AtStart));
    uncategorized->addButton(m_uncatAtEnd, int(UncategorizedPlacement::AtEnd));
    connect(uncategorized, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (m_refreshing || !checked)
            return;
        m_config.Output.UncategorizedImages = static_cast<UncategorizedPlacement>(id);
        FieldEdited();
    });
    BindFlag(m_rmrf, m_config.Output.rm);
    BindFlag(m_incremental, m_config.Output.Incremental);
    BindFlag(m_fullWidth, m_config.Output.FullWidth);
    auto& names = m_config.FileNames;
    BindText(m_fnPreview, names.Preview.Template);
    BindFlag(m_dirPreviewCheck, names.Preview.UseOwnDirectory);
    BindText(m_dirPreview, names.Preview.OwnDirectory);
    BindText(m_fnThumbnails, names.Thumbnails.Template);
    BindFlag(m_dirThumbnailsCheck, names.Thumbnails.UseOwnDirectory);
    BindText(m_dirThumbnails, names.Thumbnails.OwnDirectory);
    BindText(m_fnHtml, names.HTMLDocs.Gallery);
    BindText(m_fnInfo, names.HTMLDocs.Details);
    BindText(m_fnIndex, names.HTMLDocs.Index);
    BindNumber(m_digits, names.Digits);

    Refresh();
}

void TSettingsPage::BuildGeneralGroup(QVBoxLayout* content)
{
    AddHeading(content, QStringLiteral("Allgemein"));
    QGridLayout* grid = AddGrid(content);
    m_destDir = MakeEdit(QStringLiteral("EDestDir"));
    auto* browse = new QPushButton(QStringLiteral("Durchsuchen …"));
    browse->setObjectName(QStringLiteral("BDestDir"));
    connect(browse, &QPushButton::clicked, this, &TSettingsPage::BDestDirClicked);
    m_title = MakeEdit(QStringLiteral("ETitle"));
    auto* destLabel = MakeLabel(QStringLiteral("Zielverzeichnis:"), QStringLiteral("LDestDir"));
    destLabel->setBuddy(m_destDir);
    auto* titleLabel = MakeLabel(QStringLiteral("Titel des Albums:"), QStringLiteral("LTitle"));
    titleLabel->setBuddy(m_title);
    grid->addWidget(destLabel, 0, 0);
    grid->addWidget(m_destDir, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(titleLabel, 1, 0);
    grid->addWidget(m_title, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
}

void TSettingsPage::BuildPreprocessingGroup(QVBoxLayout* content)
{
    AddHeading(content, QStringLiteral("Preprocessing"));
    QGridLayout* grid = AddGrid(content);
    m_medianFilter = MakeCheck(QStringLiteral("Median-Filter"), QStringLiteral("CMedianFilter"));
    m_enableEqualize = MakeCheck(QStringLiteral("Tonwertkorrektur:"), QStringLiteral("CEnableEqualize"));
    m_equalizeStrength = MakeSpinner(QStringLiteral("EEqualizeStrength"), QStringLiteral("CEqualizeStrength"),
        m_config.Preprocessing.EqualizeStrength.Range(), 52);
    m_equalizeUnit = MakeLabel(QStringLiteral("‰"), QStringLiteral("LEqualizeStrength"));
    m_equalizeGray = MakeRadio(QStringLiteral("Grauwerte"), QStringLiteral("CEqualizeGray"));
    m_equalizeRgb = MakeRadio(QStringLiteral("RGB einzeln"), QStringLiteral("CEqualizeRGB"));
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_equalizeGray);
    modes->addButton(m_equalizeRgb);

    grid->addWidget(m_medianFilter, 0, 0);
    auto* equalize = new QHBoxLayout;
    equalize->setSpacing(4);
    equalize->addStretch(1);
    equalize->addWidget(m_enableEqualize);
    equalize->addWidget(m_equalizeStrength);
    equalize->addWidget(m_equalizeUnit);
    grid->addLayout(equalize, 0, 1);
    auto* modeRow = new QHBoxLayout;
    modeRow->setSpacing(8);
    modeRow->addStretch(1);
    modeRow->addWidget(m_equalizeGray);
    modeRow->addWidget(m_equalizeRgb);
    grid->addLayout(modeRow, 1, 1);
    m_exifRotation = MakeCheck(QStringLiteral("Drehung aus EXIF übernehmen"), QStringLiteral("CExifRotation"));
    m_exifRotation->setToolTip(
        QStringLiteral("Neu hinzugefügte Bilder werden so gedreht, wie die Kamera es in den EXIF-Daten vermerkt hat."));
    grid->addWidget(m_exifRotation, 1, 0);
    grid->setColumnStretch(1, 1);
}

TSettingsPage::ImageGroupControls TSettingsPage::BuildImageGroup(QVBoxLayout* content, const QString& heading,
    const QString& prefix, TImageGroupSettings& group, QGridLayout** gridOut)
{
    AddHeading(content, heading);
    QGridLayout* grid = AddGrid(content);
    ImageGroupControls controls;
    controls.SizeX = MakeSpinner(
        QStringLiteral("E%1SizeX").arg(prefix), QStringLiteral("C%1SizeX").arg(prefix), group.SizeRange(), 58);
    controls.Times = MakeLabel(QStringLiteral("x"), QStringLiteral("L%1SizeX").arg(prefix));
    controls.SizeY = MakeSpinner(
        QStringLiteral("E%1SizeY").arg(prefix), QStringLiteral("C%1SizeY").arg(prefix), group.SizeRange(), 58);
    controls.Quadratic = MakeCheck(QStringLiteral("quadratisch"), QStringLiteral("C%1Quadratic").arg(prefix));
    controls.Quality = MakeSpinner(
        QStringLiteral("E%1Quality").arg(prefix), QStringLiteral("C%1Quality").arg(prefix), group.Quality.Range(), 46);
    controls.Progressive = MakeCheck(QStringLiteral("progressiv"), QStringLiteral("C%1Progressive").arg(prefix));

    auto* sizeLabel = MakeLabel(QStringLiteral("Max. Größe:"));
    sizeLabel->setBuddy(controls.SizeX);
    auto* qualityLabel = MakeLabel(QStringLiteral("Qualität:"));
    qualityLabel->setBuddy(controls.Quality);
    grid->addWidget(sizeLabel, 0, 0);
    auto* sizes = Row({ controls.SizeX, controls.Times, controls.SizeY }, false);
    sizes->addSpacing(8);
    sizes->addWidget(controls.Quadratic);
    sizes->addStretch(1);
    grid->addLayout(sizes, 0, 1);
    auto* quality = new QHBoxLayout;
    quality->setSpacing(4);
    quality->addStretch(1);
    quality->addWidget(qualityLabel);
    quality->addWidget(controls.Quality);
    quality->addSpacing(12);
    quality->addWidget(controls.Progressive);
    grid->addLayout(quality, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    *gridOut = grid;
    return controls;
}

void TSettingsPage::BuildOutputGroup(QVBoxLayout* content)
{
    AddHeading(content, QStringLiteral("Ausgabe"));
    QGridLayout* grid = AddGrid(content);
    m_outputHtml = new QComboBox;
    m_outputHtml->setObjectName(QStringLiteral("COutputHTML"));
    m_outputHtml->addItems(OutputModeCaptions());
    // As with the spinners: the wheel scrolls the page unless the list has the focus.
    m_outputHtml->setFocusPolicy(Qt::StrongFocus);
    m_outputHtml->installEventFilter(this);
    auto* modeLabel = MakeLabel(QStringLiteral("HTML-Ausgabe:"), QStringLiteral("LOutputHTML"));
    modeLabel->setBuddy(m_outputHtml);
    m_layout = new QComboBox;
    m_layout->setObjectName(QStringLiteral("CLayout"));
    m_layout->addItems({ QStringLiteral("Klassisch"), QStringLiteral("Modern (für jede Bildschirmgröße)") });
    m_layout->setToolTip(QStringLiteral("Klassisch: die Seiten wie bisher. Modern: Seiten für Telefon bis "
                                        "Großbildschirm, hell oder dunkel nach der Systemeinstellung, Bilder "
                                        "zusätzlich in doppelter Auflösung für scharfe Bildschirme."));
    m_layout->setFocusPolicy(Qt::StrongFocus);
    m_layout->installEventFilter(this);
    m_layoutLabel = MakeLabel(QStringLiteral("Seitengestaltung:"), QStringLiteral("LLayout"));
    m_layoutLabel->setBuddy(m_layout);
    m_thumbsPerLineLabel = MakeLabel(QStringLiteral("Thumbnails pro Zeile:"), QStringLiteral("LThumbsPerLine"));
    m_thumbsPerLine = MakeSpinner(
        QStringLiteral("EThumbsPerLine"), QStringLiteral("CThumbsPerLine"), m_config.Output.ThumbsPerLine.Range(), 46);
    m_thumbsPerLineLabel->setBuddy(m_thumbsPerLine);
    m_uncatIgnore = MakeRadio(QStringLiteral("ignorieren"), QStringLiteral("CUncatIgnore"));
    m_uncatAtStart = MakeRadio(QStringLiteral("am Anfang"), QStringLiteral("CUncatAtStart"));
    m_uncatAtEnd = MakeRadio(QStringLiteral("am Ende"), QStringLiteral("CUncatAtEnd"));
    m_rmrf = MakeCheck(QStringLiteral("Zielverzeichnis vor der Ausgabe leeren (Vorsicht!)"), QStringLiteral("Crmrf"));
    m_incremental = MakeCheck(QStringLiteral("Nur Geändertes neu erzeugen"), QStringLiteral("CIncremental"));
    m_fullWidth = MakeCheck(QStringLiteral("HTML-Alben mit voller Breite"), QStringLiteral("CFullWidth"));

    grid->addWidget(modeLabel, 0, 0);
    grid->addWidget(m_outputHtml, 0, 1, Qt::AlignLeft);
    grid->addWidget(m_layoutLabel, 1, 0);
    grid->addWidget(m_layout, 1, 1, Qt::AlignLeft);
    auto* perLine = new QHBoxLayout;
    perLine->setSpacing(4);
    perLine->addStretch(1);
    perLine->addWidget(m_thumbsPerLineLabel);
    perLine->addWidget(m_thumbsPerLine);
    grid->addLayout(perLine, 2, 0, 1, 2);
    auto* uncategorized = Row({ MakeLabel(QStringLiteral("nicht zugeordnete Bilder"), QStringLiteral("LUncategorized")),
        m_uncatIgnore, m_uncatAtStart, m_uncatAtEnd });
    uncategorized->setSpacing(8);
    grid->addLayout(uncategorized, 3, 0, 1, 2);
    grid->addWidget(m_rmrf, 4, 0, 1, 2);
    grid->addWidget(m_incremental, 5, 0, 1, 2);
    grid->addWidget(m_fullWidth, 6, 0, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
}

void TSettingsPage::BuildFileNameGroup(QVBoxLayout* content)
{
    AddHeading(content, QStringLiteral("Dateinamen"));
    QGridLayout* grid = AddGrid(content);
    m_fnPreview = MakeEdit(QStringLiteral("EfnPreview"));
    m_dirPreviewCheck = MakeCheck(QStringLiteral("in eigenem Unterverzeichnis:"), QStringLiteral("CdirPreview"));
    m_dirPreview = MakeEdit(QStringLiteral("EdirPreview"));
    m_fnThumbnails = MakeEdit(QStringLiteral("EfnThumbnails"));
    m_dirThumbnailsCheck = MakeCheck(QStringLiteral("in eigenem Unterverzeichnis:"), QStringLiteral("CdirThumbnails"));
    m_dirThumbnails = MakeEdit(QStringLiteral("EdirThumbnails"));
    m_fnHtml = MakeEdit(QStringLiteral("EfnHTML"));
    m_fnInfo = MakeEdit(QStringLiteral("EfnInfo"));
    m_fnIndex = MakeEdit(QStringLiteral("EfnIndex"));
    m_digits = MakeSpinner(QStringLiteral("EDigits"), QStringLiteral("CDigits"), m_config.FileNames.Digits.Range(), 40);
    // The number of digits is typed as one character.
    m_digits->findChild<QLineEdit*>(QStringLiteral("EDigits"))->setMaxLength(1);

    auto label = [](const QString& text, QWidget* buddy) {
        QLabel* result = MakeLabel(text);
        result->setBuddy(buddy);
        return result;
    };
    // The right-hand controls sit on a line of their own below their partner, aligned to the
    // right edge; side by side they would not fit the designed width in a wide desktop font.
    auto rightRow = [](std::initializer_list<QWidget*> widgets) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addStretch(1);
        for (QWidget* widget : widgets)
            row->addWidget(widget);
        return row;
    };
    for (QLineEdit* edit : { m_dirPreview, m_dirThumbnails, m_fnInfo })
        edit->setFixedWidth(110);
    grid->addWidget(label(QStringLiteral("Präfix für Vorschaubilder:"), m_fnPreview), 0, 0);
    grid->addWidget(m_fnPreview, 0, 1);
    grid->addLayout(rightRow({ m_dirPreviewCheck, m_dirPreview }), 1, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Präfix für Thumbnails:"), m_fnThumbnails), 2, 0);
    grid->addWidget(m_fnThumbnails, 2, 1);
    grid->addLayout(rightRow({ m_dirThumbnailsCheck, m_dirThumbnails }), 3, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Präfix für Albendateien:"), m_fnHtml), 4, 0);
    grid->addWidget(m_fnHtml, 4, 1);
    grid->addLayout(rightRow({ label(QStringLiteral("Präfix für Details-Dateien:"), m_fnInfo), m_fnInfo }), 5, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Thumbnail-Übersicht:"), m_fnIndex), 6, 0);
    grid->addWidget(m_fnIndex, 6, 1);
    grid->addLayout(
        rightRow({ label(QStringLiteral("Mindestanzahl Ziffern in Nummerierung:"), m_digits), m_digits }), 7, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

QWidget* TSettingsPage::BuildButtonRow()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* load = MakeButton(QStringLiteral("Laden"), QStringLiteral("BLoadProject"), ButtonIcon::Open);
    auto* save = MakeButton(QStringLiteral("Speichern"), QStringLiteral("BSaveProject"), ButtonIcon::Save);
    auto* go = MakeButton(QStringLiteral("Album erzeugen"), QStringLiteral("BGo"), ButtonIcon::Go);
    load->setToolTip(QStringLiteral("Projekt laden (Strg+O)"));
    save->setToolTip(QStringLiteral("Projekt speichern (Strg+S; Speichern unter …: Strg+Umschalt+S)"));
    go->setToolTip(QStringLiteral("Album erzeugen (Strg+Eingabe)"));
    QFont bold = go->font();
    bold.setBold(true);
    go->setFont(bold);
    auto* projects = MakeButton(QString(), QStringLiteral("BProjectMenu"), ButtonIcon::Menu);
    projects->setToolTip(QStringLiteral("Zuletzt verwendete Projekte, Speichern unter …"));
    layout->addWidget(load);
    layout->addWidget(projects);
    layout->addWidget(save);
    connect(projects, &QPushButton::clicked, this, &TSettingsPage::BProjectMenuClicked);
    layout->addStretch(1);
    layout->addWidget(go);
    connect(load, &QPushButton::clicked, this, &TSettingsPage::BLoadProjectClicked);
    connect(save, &QPushButton::clicked, this, &TSettingsPage::BSaveProjectClicked);
    connect(go, &QPushButton::clicked, this, &TSettingsPage::BGoClicked);
    return row;
}

bool TSettingsPage::eventFilter(QObject* watched, QEvent* event)
{
    auto* list = qobject_cast<QComboBox*>(watched);
    if ((list == m_outputHtml || list == m_layout) && event->type() == QEvent::Wheel && !list->hasFocus()) {
        QCoreApplication::sendEvent(m_scroller->verticalScrollBar(), event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TSettingsPage::BindText(QLineEdit* edit, std::string& field)
{
    connect(edit, &QLineEdit::textEdited, this, [this, &field](const QString& text) {
        if (m_refreshing)
            return;
        field = text.toStdString();
        FieldEdited();
    });
}

void TSettingsPage::BindFlag(QCheckBox* box, bool& field)
{
    connect(box, &QCheckBox::toggled, this, [this, &field](bool checked) {
        if (m_refreshing)
            return;
        field = checked;
        FieldEdited();
    });
}

void TSettingsPage::BindNumber(TNumberSpinner* spinner, TRangedNumber& field)
{
    connect(spinner, &QSpinBox::valueChanged, this, [this, &field](int value) {
        if (m_refreshing)
            return;
        field = value;
        FieldEdited();
    });
}

void TSettingsPage::BindImageGroup(const ImageGroupControls& controls, TImageGroupSettings& group)
{
    // CPSizeXClick and its kin: the width goes through the square rule, so the height may follow.
    connect(controls.SizeX, &QSpinBox::valueChanged, this, [this, &group](int value) {
        if (m_refreshing)
            return;
        group.SetWidth(value);
        FieldEdited();
    });
    connect(controls.SizeY, &QSpinBox::valueChanged, this, [this, &group](int value) {
        if (m_refreshing)
            return;
        group.SetHeight(value);
        FieldEdited();
    });
    connect(controls.Quadratic, &QCheckBox::toggled, this, [this, &group](bool checked) {
        if (m_refreshing)
            return;
        group.SetAspect(checked ? Aspect::quadratic : Aspect::free);
        FieldEdited();
    });
    connect(controls.Quality, &QSpinBox::valueChanged, this, [this, &group](int value) {
        if (m_refreshing)
            return;
        group.Quality = value;
        FieldEdited();
    });
    connect(controls.Progressive, &QCheckBox::toggled, this, [this, &group](bool checked) {
        if (m_refreshing)
            return;
        group.Progressive = checked;
        FieldEdited();
    });
}

void TSettingsPage::CEnableFrameClick()
{
    if (m_refreshing)
        return;
    // Off keeps the width in the spinner (shown disabled); on brings that width back.
    m_config.ThumbnailImages.SetFrameEnabled(m_enableFrame->isChecked());
    FieldEdited();
}

void TSettingsPage::COutputHTMLChange(int index)
{
    if (m_refreshing || index < 0)
        return;
    m_config.Output.Mode = static_cast<OutputMode>(index);
    FieldEdited();
}

void TSettingsPage::FieldEdited()
{
    Refresh();
    emit ConfigurationEdited();
}

void TSettingsPage::ShowImageGroup(
    const ImageGroupControls& controls, const TImageGroupSettings& group, bool heightInEffect)
{
    controls.SizeX->setValue(group.Width());
    controls.SizeY->setValue(group.Height());
    controls.Quadratic->setChecked(group.GetAspect() == Aspect::quadratic);
    controls.Quality->setValue(group.Quality);
    controls.Progressive->setChecked(group.Progressive);
    controls.SizeY->setEnabled(heightInEffect);
    controls.Times->setEnabled(heightInEffect);
}

void TSettingsPage::Refresh()
{
    const Configuration& c = m_config;
    m_refreshing = true;

    SetText(m_destDir, c.DestDir);
    SetText(m_title, c.AlbumTitle);

    m_medianFilter->setChecked(c.Preprocessing.MedianFilter);
    m_enableEqualize->setChecked(c.Preprocessing.Equalize);
    m_equalizeStrength->setValue(c.Preprocessing.EqualizeStrength);
    m_equalizeGray->setChecked(c.Preprocessing.EqualizeMode == EqualizeMode::Gray);
    m_equalizeRgb->setChecked(c.Preprocessing.EqualizeMode == EqualizeMode::RGB);
    m_exifRotation->setChecked(c.Preprocessing.ExifRotation);
    const bool equalize = IsInEffect(c, ConfigField::EqualizeStrength);
    for (QWidget* widget : { static_cast<QWidget*>(m_equalizeStrength), static_cast<QWidget*>(m_equalizeUnit),
             static_cast<QWidget*>(m_equalizeGray), static_cast<QWidget*>(m_equalizeRgb) })
        widget->setEnabled(equalize);

    ShowImageGroup(m_preview, c.PreviewImages, IsInEffect(c, ConfigField::PreviewHeight));
    ShowImageGroup(m_thumbs, c.ThumbnailImages, IsInEffect(c, ConfigField::ThumbnailHeight));
    m_enableFrame->setChecked(c.ThumbnailImages.FrameEnabled());
    m_frameSize->setValue(c.ThumbnailImages.FrameWidth());
    m_frameSize->setEnabled(IsInEffect(c, ConfigField::ThumbnailFrameSize));

    m_outputHtml->setCurrentIndex(static_cast<int>(c.Output.Mode));
    m_layout->setCurrentIndex(c.Output.Layout == PageLayout::Modern ? 1 : 0);
    const bool layout = IsInEffect(c, ConfigField::Layout);
    m_layout->setEnabled(layout);
    m_layoutLabel->setEnabled(layout);
    m_thumbsPerLine->setValue(c.Output.ThumbsPerLine);
    const bool perLine = IsInEffect(c, ConfigField::ThumbsPerLine);
    m_thumbsPerLine->setEnabled(perLine);
    m_thumbsPerLineLabel->setEnabled(perLine);
    m_uncatIgnore->setChecked(c.Output.UncategorizedImages == UncategorizedPlacement::Ignore);
    m_uncatAtStart->setChecked(c.Output.UncategorizedImages == UncategorizedPlacement::AtStart);
    m_uncatAtEnd->setChecked(c.Output.UncategorizedImages == UncategorizedPlacement::AtEnd);
    m_rmrf->setChecked(c.Output.rm);
    m_incremental->setChecked(c.Output.Incremental);
    m_fullWidth->setChecked(c.Output.FullWidth);
    m_fullWidth->setEnabled(IsInEffect(c, ConfigField::FullWidth));

    const auto& names = c.FileNames;
    SetText(m_fnPreview, names.Preview.Template);
    m_dirPreviewCheck->setChecked(names.Preview.UseOwnDirectory);
    SetText(m_dirPreview, names.Preview.OwnDirectory);
    m_dirPreview->setEnabled(IsInEffect(c, ConfigField::PreviewOwnDirectory));
    SetText(m_fnThumbnails, names.Thumbnails.Template);
    m_dirThumbnailsCheck->setChecked(names.Thumbnails.UseOwnDirectory);
    SetText(m_dirThumbnails, names.Thumbnails.OwnDirectory);
    m_dirThumbnails->setEnabled(IsInEffect(c, ConfigField::ThumbnailsOwnDirectory));
    SetText(m_fnHtml, names.HTMLDocs.Gallery);
    SetText(m_fnInfo, names.HTMLDocs.Details);
    SetText(m_fnIndex, names.HTMLDocs.Index);
    m_digits->setValue(names.Digits);

    m_refreshing = false;
}

} // namespace korvo
