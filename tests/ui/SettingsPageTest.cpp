// The settings page as a view of the Configuration: initial values, the bindings of every
// control, the square rule and the 3D edge in the widgets, the enabling rules, the refusal of
// typed numbers outside their range, and the refresh after a project load.

#include "WindowFixture.h"

#include "ui/settings/SettingsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using namespace korvo;
using namespace korvo::testing;

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

} // namespace

class SettingsPageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { UseProgramFont(); }

    void everyControlCarriesItsNameAndStartsFromTheDefaults()
    {
        TWindow w;
        const char* numberPairs[][2] = { { "EEqualizeStrength", "CEqualizeStrength" }, { "EPSizeX", "CPSizeX" },
            { "EPSizeY", "CPSizeY" }, { "EPQuality", "CPQuality" }, { "ETSizeX", "CTSizeX" }, { "ETSizeY", "CTSizeY" },
            { "ETQuality", "CTQuality" }, { "EFrameSize", "CFrameSize" }, { "EThumbsPerLine", "CThumbsPerLine" },
            { "EDigits", "CDigits" } };
        for (const auto& pair : numberPairs) {
            auto* edit = w.Find<QLineEdit>(pair[0]);
            auto* spinner = w.Spinner(pair[1]);
            QVERIFY2(edit != nullptr && spinner != nullptr, pair[0]);
            QCOMPARE(edit->parentWidget(), spinner);
        }
        for (const char* name : { "EDestDir", "ETitle", "EfnPreview", "EdirPreview", "EfnThumbnails", "EdirThumbnails",
                 "EfnHTML", "EfnInfo", "EfnIndex" })
            QVERIFY2(w.Find<QLineEdit>(name) != nullptr, name);
        for (const char* name : { "CMedianFilter", "CEnableEqualize", "CPQuadratic", "CPProgressive", "CTQuadratic",
                 "CTProgressive", "CEnableFrame", "Crmrf", "CIncremental", "CFullWidth", "CdirPreview",
                 "CdirThumbnails", "CExifRotation" })
            QVERIFY2(w.Find<QCheckBox>(name) != nullptr, name);
        for (const char* name : { "CEqualizeGray", "CEqualizeRGB", "CUncatIgnore", "CUncatAtStart", "CUncatAtEnd" })
            QVERIFY2(w.Find<QRadioButton>(name) != nullptr, name);
        for (const char* name : { "LPSizeX", "LTSizeX", "LEqualizeStrength", "LThumbsPerLine" })
            QVERIFY2(w.Find<QLabel>(name) != nullptr, name);
        for (const char* name : { "BDestDir", "BLoadProject", "BSaveProject", "BGo" })
            QVERIFY2(w.Widget(name) != nullptr, name);
        QVERIFY(w.Find<QScrollArea>("OptionsScoller") != nullptr);
        QCOMPARE(w.Find<QPushButton>("BDestDir")->text(), Q("Durchsuchen …"));
        QCOMPARE(w.Find<QPushButton>("BGo")->text(), Q("Album erzeugen"));
        QVERIFY(w.Find<QPushButton>("BGo")->font().bold());

        QCOMPARE(w.Find<QLineEdit>("EDestDir")->text(), Q("< bitte ein Verzeichnis auswählen >"));
        QCOMPARE(w.Find<QLineEdit>("ETitle")->text(), QString());
        QVERIFY(w.Find<QCheckBox>("CMedianFilter")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CEnableEqualize")->isChecked());
        QCOMPARE(w.Spinner("CEqualizeStrength")->value(), 20);
        QVERIFY(w.Find<QRadioButton>("CEqualizeRGB")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CExifRotation")->isChecked());
        QCOMPARE(w.Find<QCheckBox>("CExifRotation")->text(), Q("Drehung aus EXIF übernehmen"));
        QCOMPARE(w.Spinner("CPSizeX")->value(), 640);
        QCOMPARE(w.Spinner("CPSizeY")->value(), 640);
        QCOMPARE(w.Spinner("CPQuality")->value(), 75);
        QVERIFY(w.Find<QCheckBox>("CPProgressive")->isChecked());
        QCOMPARE(w.Spinner("CTSizeX")->value(), 128);
        QCOMPARE(w.Spinner("CTQuality")->value(), 40);
        QVERIFY(!w.Find<QCheckBox>("CTProgressive")->isChecked());
        QVERIFY(w.Find<QCheckBox>("CEnableFrame")->isChecked());
        QCOMPARE(w.Spinner("CFrameSize")->value(), 2);
        auto* mode = w.Find<QComboBox>("COutputHTML");
        QCOMPARE(mode->count(), 5);
        QCOMPARE(mode->itemText(0), Q("keine"));
        QCOMPARE(mode->itemText(1), Q("keine, aber Thumbnails erzeugen"));
        QCOMPARE(mode->itemText(2), Q("nur Übersicht"));
        QCOMPARE(mode->itemText(3), Q("Übersicht und Album"));
        QCOMPARE(mode->itemText(4), Q("Übersicht und Album mit Details"));
        QCOMPARE(mode->currentIndex(), 4);
        QCOMPARE(w.Spinner("CThumbsPerLine")->value(), 5);
        QVERIFY(w.Find<QRadioButton>("CUncatAtStart")->isChecked());
        QCOMPARE(w.Find<QLineEdit>("EfnPreview")->text(), Q("image"));
        QCOMPARE(w.Find<QLineEdit>("EdirPreview")->text(), Q("images"));
        QCOMPARE(w.Find<QLineEdit>("EfnThumbnails")->text(), Q("thumb"));
        QCOMPARE(w.Find<QLineEdit>("EdirThumbnails")->text(), Q("thumbs"));
        QCOMPARE(w.Find<QLineEdit>("EfnHTML")->text(), Q("image"));
        QCOMPARE(w.Find<QLineEdit>("EfnInfo")->text(), Q("iinfo"));
        QCOMPARE(w.Find<QLineEdit>("EfnIndex")->text(), Q("index"));
        QCOMPARE(w.Spinner("CDigits")->value(), 3);

        // At start the height rows, the equalisation row and the directory edits are disabled;
        // the frame width and thumbnails per line are enabled.
        for (const char* name : { "CPSizeY", "LPSizeX", "CTSizeY", "LTSizeX", "CEqualizeStrength", "LEqualizeStrength",
                 "CEqualizeGray", "CEqualizeRGB", "EdirPreview", "EdirThumbnails" })
            QVERIFY2(!w.Widget(name)->isEnabled(), name);
        for (const char* name : { "CFrameSize", "CThumbsPerLine", "LThumbsPerLine", "CPSizeX", "CTSizeX" })
            QVERIFY2(w.Widget(name)->isEnabled(), name);
    }

    void squareRuleHoldsInTheWidgets_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<int>("width");
        QTest::newRow("Vorschaubilder") << QByteArray("P") << 800;
        QTest::newRow("Thumbnails") << QByteArray("T") << 400;
    }
    void squareRuleHoldsInTheWidgets()
    {
        QFETCH(QByteArray, group);
        QFETCH(int, width);
        TWindow w;
        const QByteArray sizeX = "C" + group + "SizeX";
        const QByteArray sizeY = "C" + group + "SizeY";
        const QByteArray quadratic = "C" + group + "Quadratic";
        const QByteArray label = "L" + group + "SizeX";
        TImageGroupSettings& settings = group == "P" ? w.Config().PreviewImages : w.Config().ThumbnailImages;

        // Typing a width while square changes the shown height with it.
        w.TypeNumber(sizeX.constData(), QString::number(width));
        QCOMPARE(settings.Width(), width);
        QCOMPARE(settings.Height(), width);
        QCOMPARE(w.Spinner(sizeY.constData())->value(), width);

        // Unchecking copies nothing and only enables the height row.
        w.Find<QCheckBox>(quadratic.constData())->click();
        QCOMPARE(settings.GetAspect(), Aspect::free);
        QVERIFY(w.Spinner(sizeY.constData())->isEnabled());
        QVERIFY(w.Widget(label.constData())->isEnabled());
        QCOMPARE(w.Spinner(sizeY.constData())->value(), width);

        w.TypeNumber(sizeY.constData(), QStringLiteral("96"));
        QCOMPARE(settings.Height(), 96);
        QCOMPARE(settings.Width(), width);

        // Stepping the width with the box unchecked leaves the height alone.
        QTest::keyClick(w.Spinner(sizeX.constData()), Qt::Key_Up);
        QCOMPARE(settings.Width(), width + 16);
        QCOMPARE(settings.Height(), 96);

        // Checking again makes the height equal to the width and disables the row.
        w.Find<QCheckBox>(quadratic.constData())->click();
        QCOMPARE(settings.Height(), width + 16);
        QCOMPARE(w.Spinner(sizeY.constData())->value(), width + 16);
        QVERIFY(!w.Spinner(sizeY.constData())->isEnabled());
        QVERIFY(!w.Widget(label.constData())->isEnabled());

        // Stepping while square moves both.
        QTest::keyClick(w.Spinner(sizeX.constData()), Qt::Key_Down);
        QCOMPARE(w.Spinner(sizeY.constData())->value(), width);
        QCOMPARE(settings.Height(), width);
    }

    void typedNumbersOutsideTheirRangeAreRefused()
    {
        TWindow w;
        w.TypeNumber("CPSizeX", QStringLiteral("5000"));
        QCOMPARE(w.Config().PreviewImages.Width(), 640);
        QCOMPARE(w.Spinner("CPSizeX")->text(), QStringLiteral("640"));
        w.TypeNumber("CTSizeX", QStringLiteral("3"));
        QCOMPARE(w.Config().ThumbnailImages.Width(), 128);
        QCOMPARE(w.Spinner("CTSizeX")->text(), QStringLiteral("128"));
        w.TypeNumber("CPQuality", QStringLiteral("0"));
        QCOMPARE(int(w.Config().PreviewImages.Quality), 75);
        w.TypeNumber("CThumbsPerLine", QStringLiteral("-4"));
        QCOMPARE(int(w.Config().Output.ThumbsPerLine), 5);
        // Letters are not even typed.
        w.TypeNumber("CPSizeX", QStringLiteral("abc"));
        QCOMPARE(w.Config().PreviewImages.Width(), 640);
        QCOMPARE(w.Spinner("CPSizeX")->text(), QStringLiteral("640"));
        // A value inside the range need not be a multiple of the step.
        w.TypeNumber("CPSizeX", QStringLiteral("641"));
        QCOMPARE(w.Config().PreviewImages.Width(), 641);
        // The number of digits is a single character.
        w.TypeNumber("CDigits", QStringLiteral("12"));
        QCOMPARE(int(w.Config().FileNames.Digits), 1);
        QCOMPARE(w.Find<QLineEdit>("EDigits")->text(), QStringLiteral("1"));
    }

    void spinnersStopAtTheEndsOfTheirRange()
    {
        TWindow w;
        w.TypeNumber("CPSizeX", QStringLiteral("2040"));
        QTest::keyClick(w.Spinner("CPSizeX"), Qt::Key_Up);
        QCOMPARE(w.Config().PreviewImages.Width(), 2048);
        QTest::keyClick(w.Spinner("CPSizeX"), Qt::Key_Up);
        QCOMPARE(w.Config().PreviewImages.Width(), 2048);
        w.TypeNumber("CTSizeX", QStringLiteral("20"));
        QTest::keyClick(w.Spinner("CTSizeX"), Qt::Key_Down);
        QCOMPARE(w.Config().ThumbnailImages.Width(), 16);
        QCOMPARE(w.Config().ThumbnailImages.Height(), 16);
        w.TypeNumber("CTQuality", QStringLiteral("97"));
        QTest::keyClick(w.Spinner("CTQuality"), Qt::Key_Up);
        QCOMPARE(int(w.Config().ThumbnailImages.Quality), 99);
        QTest::keyClick(w.Spinner("CDigits"), Qt::Key_Up);
        QCOMPARE(int(w.Config().FileNames.Digits), 4);
        w.Find<QCheckBox>("CEnableEqualize")->click();
        w.TypeNumber("CEqualizeStrength", QStringLiteral("0"));
        QTest::keyClick(w.Spinner("CEqualizeStrength"), Qt::Key_Down);
        QCOMPARE(int(w.Config().Preprocessing.EqualizeStrength), 0);
        // The wheel over a number that is not being edited scrolls the page instead.
        w.Find<QWidget>("BGo")->setFocus();
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w.Spinner("CPQuality"), &wheel);
        QCOMPARE(int(w.Config().PreviewImages.Quality), 75);
        QCOMPARE(w.Spinner("CEqualizeStrength")->singleStep(), 1);
        QCOMPARE(w.Spinner("CPQuality")->singleStep(), 5);
        QCOMPARE(w.Spinner("CPSizeX")->singleStep(), 16);
    }

    void edgeCheckBoxAndWidthWorkAsAPair()
    {
        TWindow w;
        const TImageGroupSettings& thumbs = w.Config().ThumbnailImages;
        QCOMPARE(thumbs.FrameSize(), 2);
        w.TypeNumber("CFrameSize", QStringLiteral("5"));
        QCOMPARE(thumbs.FrameSize(), 5);

        w.Find<QCheckBox>("CEnableFrame")->click();
        QCOMPARE(thumbs.FrameSize(), 0);
        QVERIFY(!w.Spinner("CFrameSize")->isEnabled());
        QCOMPARE(w.Spinner("CFrameSize")->value(), 5);
        QVERIFY(w.Widget("LFrameSize")->isEnabled());

        w.Find<QCheckBox>("CEnableFrame")->click();
        QCOMPARE(thumbs.FrameSize(), 5);
        QVERIFY(w.Spinner("CFrameSize")->isEnabled());
        w.TypeNumber("CFrameSize", QStringLiteral("65"));
        QCOMPARE(thumbs.FrameSize(), 5);
    }

    void enablingRulesFollowTheirSettings()
    {
        TWindow w;
        Configuration& c = w.Config();
        w.Find<QCheckBox>("CEnableEqualize")->click();
        QVERIFY(c.Preprocessing.Equalize);
        for (const char* name : { "CEqualizeStrength", "LEqualizeStrength", "CEqualizeGray", "CEqualizeRGB" })
            QVERIFY2(w.Widget(name)->isEnabled(), name);
        w.TypeNumber("CEqualizeStrength", QStringLiteral("35"));
        w.Find<QRadioButton>("CEqualizeGray")->click();
        QCOMPARE(c.Preprocessing.EqualizeMode, EqualizeMode::Gray);
        // Off keeps strength and mode; on brings them back unchanged.
        w.Find<QCheckBox>("CEnableEqualize")->click();
        for (const char* name : { "CEqualizeStrength", "LEqualizeStrength", "CEqualizeGray", "CEqualizeRGB" })
            QVERIFY2(!w.Widget(name)->isEnabled(), name);
        w.Find<QCheckBox>("CEnableEqualize")->click();
        QCOMPARE(w.Spinner("CEqualizeStrength")->value(), 35);
        QVERIFY(w.Find<QRadioButton>("CEqualizeGray")->isChecked());
        w.Find<QRadioButton>("CEqualizeRGB")->click();
        QCOMPARE(c.Preprocessing.EqualizeMode, EqualizeMode::RGB);

        auto* mode = w.Find<QComboBox>("COutputHTML");
        const OutputMode modes[] = { OutputMode::NoHTML, OutputMode::ThumbsOnly, OutputMode::IndexOnly,
            OutputMode::WithGallery, OutputMode::WithDetails };
        for (int index = 0; index < 5; ++index) {
            mode->setCurrentIndex(index);
            QCOMPARE(c.Output.Mode, modes[index]);
            for (const char* name : { "LThumbsPerLine", "CThumbsPerLine" })
                QCOMPARE(w.Widget(name)->isEnabled(), index >= 2);
        }
        QCOMPARE(w.Spinner("CThumbsPerLine")->value(), 5);

        // The layout needs pages; the modern one has no rows to count and no full width.
        auto* layout = w.Find<QComboBox>("CLayout");
        QCOMPARE(w.Find<QLabel>("LLayout")->text(), Q("Seitengestaltung:"));
        QCOMPARE(layout->currentIndex(), 0);
        layout->setCurrentIndex(1);
        QCOMPARE(c.Output.Layout, PageLayout::Modern);
        for (const char* name : { "CThumbsPerLine", "CFullWidth" })
            QVERIFY2(!w.Widget(name)->isEnabled(), name);
        mode->setCurrentIndex(1);
        QVERIFY(!layout->isEnabled());
        mode->setCurrentIndex(4);
        layout->setCurrentIndex(0);
        QCOMPARE(c.Output.Layout, PageLayout::Classic);
        QVERIFY(w.Widget("CFullWidth")->isEnabled());

        w.Find<QCheckBox>("CdirPreview")->click();
        QVERIFY(w.Widget("EdirPreview")->isEnabled());
        QVERIFY(!w.Widget("EdirThumbnails")->isEnabled());
        w.Find<QCheckBox>("CdirThumbnails")->click();
        QVERIFY(w.Widget("EdirThumbnails")->isEnabled());
        w.Find<QCheckBox>("CdirPreview")->click();
        QVERIFY(!w.Widget("EdirPreview")->isEnabled());
        QCOMPARE(w.Find<QLineEdit>("EdirPreview")->text(), QStringLiteral("images"));
    }

    void everyControlWritesItsField_data()
    {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed"); // empty: a click
        QTest::addColumn<QString>("expected"); // the field as a project file writes it
        auto row = [](const char* control, ConfigField field, const char* typed, const char* expected) {
            QTest::newRow(control) << QByteArray(control) << int(field) << QString::fromUtf8(typed)
                                   << QString::fromUtf8(expected);
        };
        row("EDestDir", ConfigField::DestDir, "/home/anna/Album", "/home/anna/Album");
        row("ETitle", ConfigField::AlbumTitle, "Sommer in Görlitz", "Sommer in Görlitz");
        row("EfnPreview", ConfigField::PreviewTemplate, "bild", "bild");
        row("EfnThumbnails", ConfigField::ThumbnailsTemplate, "klein", "klein");
        row("EfnHTML", ConfigField::HTMLDocsGallery, "seite", "seite");
        row("EfnInfo", ConfigField::HTMLDocsDetails, "info", "info");
        row("EfnIndex", ConfigField::HTMLDocsIndex, "start", "start");
        row("CMedianFilter", ConfigField::MedianFilter, "", "off");
        row("CExifRotation", ConfigField::ExifRotation, "", "no");
        row("CPProgressive", ConfigField::PreviewProgressive, "", "no");
        row("CTProgressive", ConfigField::ThumbnailProgressive, "", "yes");
        row("Crmrf", ConfigField::rm, "", "-rf");
        row("CIncremental", ConfigField::Incremental, "", "yes");
        row("CFullWidth", ConfigField::FullWidth, "", "yes");
        row("CdirPreview", ConfigField::PreviewUseOwnDirectory, "", "yes");
        row("CdirThumbnails", ConfigField::ThumbnailsUseOwnDirectory, "", "yes");
        row("CUncatIgnore", ConfigField::UncategorizedImages, "", "Ignore");
        row("CUncatAtEnd", ConfigField::UncategorizedImages, "", "AtEnd");
        row("CPQuality", ConfigField::PreviewQuality, "90", "90");
        row("CThumbsPerLine", ConfigField::ThumbsPerLine, "7", "7");
        row("CDigits", ConfigField::Digits, "4", "4");
    }
    void everyControlWritesItsField()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        TWindow w;
        if (control.startsWith('E'))
            w.TypeText(control.constData(), typed);
        else if (!typed.isEmpty())
            w.TypeNumber(control.constData(), typed);
        else
            w.Find<QAbstractButton>(control.constData())->click();
        QCOMPARE(QString::fromStdString(FieldText(w.Config(), static_cast<ConfigField>(field))), expected);
    }

    void ownDirectoryEditsWriteTheirFieldsWhenEnabled()
    {
        TWindow w;
        w.Find<QCheckBox>("CdirPreview")->click();
        w.TypeText("EdirPreview", QStringLiteral("gross"));
        QCOMPARE(w.Config().FileNames.Preview.OwnDirectory, std::string("gross"));
        w.Find<QCheckBox>("CdirThumbnails")->click();
        w.TypeText("EdirThumbnails", QStringLiteral("klein"));
        QCOMPARE(w.Config().FileNames.Thumbnails.OwnDirectory, std::string("klein"));
    }

    void loadingAProjectRefreshesThePage()
    {
        TWindow w;
        w.Platform.Dialogs.Answers = { QStringLiteral("/home/anna/urlaub.kv2") };
        w.Operations->OnLoadProject = [](Configuration& config, IOperationHost& host) {
            host.BeginBusy();
            for (const auto& [field, text] : std::initializer_list<std::pair<ConfigField, const char*>> {
                     { ConfigField::Verbose, "-v" }, { ConfigField::DestDir, "/home/anna/Album" },
                     { ConfigField::Equalize, "yes" }, { ConfigField::EqualizeMode, "Gray" },
                     { ConfigField::ExifRotation, "no" }, { ConfigField::PreviewWidth, "800" },
                     { ConfigField::PreviewAspect, "free" }, { ConfigField::PreviewHeight, "480" },
                     { ConfigField::ThumbnailFrameSize, "" }, { ConfigField::OutputMode, "NoHTML" },
                     { ConfigField::PreviewUseOwnDirectory, "yes" }, { ConfigField::UncategorizedImages, "AtEnd" } })
                ApplyFieldText(config, field, text);
            host.SettingsChanged();
            host.EndBusy(Page::PLog);
        };
        w.Find<QPushButton>("BLoadProject")->click();

        QCOMPARE(w.Platform.Dialogs.OpenRequests.size(), std::size_t(1));
        const FileDialogRequest& request = w.Platform.Dialogs.OpenRequests.front();
        QCOMPARE(request.Title, QStringLiteral("Projekt laden"));
        const std::vector<FileFilter> filters { { QStringLiteral("Korvo2-Projektdateien (*.kv2)"),
                                                    QStringLiteral("*.kv2") },
            { QStringLiteral("Alle Dateien (*.*)"), QStringLiteral("*.*") } };
        QVERIFY(request.Filters == filters);
        QCOMPARE(request.DefaultExtension, QStringLiteral("kv2"));
        QCOMPARE(w.Operations->Calls.back().What, std::string("LoadProject"));
        QCOMPARE(w.Operations->Calls.back().Paths.front(), std::string("/home/anna/urlaub.kv2"));

        QCOMPARE(w.Find<QLineEdit>("EDestDir")->text(), QStringLiteral("/home/anna/Album"));
        QVERIFY(w.Find<QCheckBox>("CVerbose")->isChecked());
        QVERIFY(w.Find<QRadioButton>("CEqualizeGray")->isChecked());
        QVERIFY(!w.Find<QCheckBox>("CExifRotation")->isChecked());
        QVERIFY(w.Widget("CEqualizeStrength")->isEnabled());
        QVERIFY(!w.Find<QCheckBox>("CPQuadratic")->isChecked());
        QCOMPARE(w.Spinner("CPSizeX")->value(), 800);
        QCOMPARE(w.Spinner("CPSizeY")->value(), 480);
        QVERIFY(w.Spinner("CPSizeY")->isEnabled());
        QVERIFY(!w.Find<QCheckBox>("CEnableFrame")->isChecked());
        QVERIFY(!w.Spinner("CFrameSize")->isEnabled());
        QCOMPARE(w.Spinner("CFrameSize")->value(), 2);
        QCOMPARE(w.Find<QComboBox>("COutputHTML")->currentIndex(), 0);
        QVERIFY(!w.Widget("CThumbsPerLine")->isEnabled());
        QVERIFY(w.Widget("EdirPreview")->isEnabled());
        QVERIFY(w.Find<QRadioButton>("CUncatAtEnd")->isChecked());

        // Cancel loads nothing.
        w.Find<QPushButton>("BLoadProject")->click();
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
    }

    void savingAsksForTheProjectFile()
    {
        TWindow w;
        w.Find<QPushButton>("BSaveProject")->click();
        QVERIFY(w.Operations->Calls.empty());
        w.Platform.Dialogs.Answers = { QStringLiteral("/home/anna/urlaub.kv2") };
        w.Find<QPushButton>("BSaveProject")->click();
        QCOMPARE(w.Platform.Dialogs.SaveRequests.size(), std::size_t(2));
        const FileDialogRequest& request = w.Platform.Dialogs.SaveRequests.back();
        QCOMPARE(request.Title, QStringLiteral("Projekt speichern unter"));
        QCOMPARE(request.Filters.size(), std::size_t(2));
        QCOMPARE(request.Filters[0].Label, QStringLiteral("Korvo2-Projektdateien (*.kv2)"));
        QCOMPARE(request.Filters[0].Patterns, QStringLiteral("*.kv2"));
        QCOMPARE(request.Filters[1].Label, QStringLiteral("Alle Dateien (*.*)"));
        QCOMPARE(request.Filters[1].Patterns, QStringLiteral("*.*"));
        QCOMPARE(request.DefaultExtension, QStringLiteral("kv2"));
        QVERIFY(request.ConfirmOverwrite);
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
        QCOMPARE(w.Operations->Calls.front().What, std::string("SaveProject"));
        QCOMPARE(w.Operations->Calls.front().Paths.front(), std::string("/home/anna/urlaub.kv2"));
    }

    void goStartsTheAlbumRun()
    {
        TWindow w;
        w.Find<QPushButton>("BGo")->click();
        QCOMPARE(w.Operations->Calls.size(), std::size_t(1));
        QCOMPARE(w.Operations->Calls.front().What, std::string("RunAlbum"));
    }
};

QTEST_MAIN(SettingsPageTest)
#include "SettingsPageTest.moc"
