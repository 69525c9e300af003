#include "ui/pages/HelpPage.h"

#include "ui/window/Artwork.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvo {

QString TipsText()
{
    static const char* const lines[] = {
        "",
        "",
        "Bilddateien werden per Drag&Drop aus dem Explorer in das Korvo-Fenster gezogen.",
        "",
        "Durch Doppelklick auf ein Bild in der Bilderliste wird es im Vorschaufenster angezeigt — und zwar exakt so, "
        "wie es später im fertigen Album aussehen wird.",
        "Im Bilderlisten-Menü findet sich auch ein Menüpunkt für eine Vorschau der Thumbnailbilder.",
        "",
        "Die kleinen unscheinbaren Pfeile neben der Angabe zu Kategorie und Drehung in den Einträgen der Bilderliste "
        "öffnen ein entsprechendes Menü, wenn man sie anklickt.",
        "",
        "Um mehrere Bilder mit einem Mal einer Kategorie zuzuordnen oder zu drehen, kann man mit der rechten(!) "
        "Maustaste auf das Kategorie- oder Drehungs-Dropdown klicken.",
        "",
        "Mit dem »Kategorie anzeigen«-Dropdown kann man die Ansicht auf eine bestimmte Kategorie einschränken.",
        "",
        "Die Buttons mit den Pfeilen rechts unter der Bilderliste dienen zum Umsortieren von Bildern.",
        "",
        "Um Kategorien umzusortieren, gibt es den Kategorieneditor. Er verbirgt sich hinter dem »Bearbeiten«-Button "
        "auf der Seite »Bilderliste«.",
        "",
        "Bildbeschreibungen werden erst übernommen, wenn man [Enter] drückt. Dann rückt die Auswahl automatisch auf "
        "das nächste Bild weiter. Analog funktionieren die Nach-Oben- und Nach-Unten-Pfeiltasten.",
        "",
        "Mit [Entf] kann man markierte Bilder aus der Bilderliste löschen. Etwas sanfter ist natürlich die Methode, "
        "sie einfach abzuwählen, so daß sie nicht ins Album aufgenommen werden.",
        "",
        "Vor dem Erstellen eines Albums noch einmal prüfen, ob das richtige Zielverzeichnis ausgewählt ist und das "
        "Album einen schönen Namen hat.",
        "",
        "Keine Angst vor der Option »quadratisch« bei den Bildgrößen: die Bilder werden nicht zu Quadraten verzerrt, "
        "es wird nur die maximale Breite und maximale Höhe gleichgesetzt.",
        "",
        "Die Qualitätseinstellung der JPEG-Kompression reicht von 1 (schlecht) bis 99 (maximale Qualität).",
        "",
        "Für die HTML-Ausgabe gibt es fünf Optionen:",
        "- keine = nur die Vorschaubilder werden erzeugt",
        "- keine, aber Thumbnails erzeugen = mit Thumbnails, aber noch ohne HTML",
        "- nur Übersicht = zusätzlich HTML-Seite mit Thumbnail-Übersicht",
        "- Übersicht und Album = HTML-Seite für jedes Bild zum Durchblättern",
        "- Übersicht und Album mit Details = zusätzliche HTML-Seite für jedes Bild mit EXIF-Informationen",
        "",
        "»HTML-Alben mit voller Breite« kann nützlich sein, wenn die Bildbeschreibungen recht lang sind, die "
        "Bedienelemente aber stets an gleicher Stelle stehen sollen.",
        "",
        "Die Option »-v« im Logbuch tut exakt das, was ein UNIXler davon erwarten würde.",
    };
    QStringList joined;
    for (const char* line : lines)
        joined << QString::fromUtf8(line);
    return joined.join(QStringLiteral("\r\n"));
}

THelpPage::THelpPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PHelp"));

    auto* name = new QLabel(QStringLiteral("Korvo2"), this);
    name->setObjectName(QStringLiteral("LKorvo2"));
    QFont nameFont(QStringLiteral("Verdana"));
    nameFont.setPixelSize(32);
    nameFont.setBold(true);
    name->setFont(nameFont);

    auto* description = new QLabel(QStringLiteral("Ein HTML-Bilderalbengenerator"), this);
    description->setObjectName(QStringLiteral("LDescription1"));
    QFont bold = description->font();
    bold.setBold(true);
    description->setFont(bold);

    auto* byline = new QLabel(QStringLiteral("vom Korvo-2-Projektteam"), this);
    byline->setObjectName(QStringLiteral("LDescription2"));

    m_mail = new QPushButton(QStringLiteral("<%1>").arg(QString::fromLatin1(ContactAddress)), this);
    m_mail->setObjectName(QStringLiteral("LMailMe"));
    m_mail->setFlat(true);
    m_mail->setCursor(Qt::PointingHandCursor);
    m_mail->setToolTip(QStringLiteral("Eine E-Mail an das Korvo-2-Projektteam schreiben"));
    QPalette link = m_mail->palette();
    link.setColor(QPalette::ButtonText, link.color(QPalette::Link));
    m_mail->setPalette(link);
    m_mail->setStyleSheet(QStringLiteral("QPushButton { padding: 0px 2px; border: none; }"));

    m_tips = new QPlainTextEdit(this);
    m_tips->setObjectName(QStringLiteral("Tips"));
    m_tips->setReadOnly(true);
    m_tips->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_tips->setFrameShape(QFrame::Box);
    m_tips->setFrameShadow(QFrame::Plain);
    m_tips->setLineWidth(1);
    QPalette tipsPalette = m_tips->palette();
    tipsPalette.setColor(QPalette::Base, tipsPalette.color(QPalette::Window));
    tipsPalette.setColor(QPalette::WindowText, tipsPalette.color(QPalette::Mid));
    m_tips->setPalette(tipsPalette);
    // The widget keeps paragraphs apart by line feeds of its own.
    m_tips->setPlainText(TipsText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    m_heading = new QLabel(QStringLiteral(" Ein paar nützliche Tips&Tricks:"), m_tips->viewport());
    m_heading->setObjectName(QStringLiteral("PTips"));
    m_heading->setTextFormat(Qt::PlainText);
    m_heading->setFont(bold);
    QPalette headingPalette = m_heading->palette();
    headingPalette.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    m_heading->setPalette(headingPalette);
    m_heading->setAutoFillBackground(true);
    m_heading->setBackgroundRole(QPalette::Window);
    m_heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_tips->viewport()->installEventFilter(this);

    m_help = new QPushButton(MakeButtonIcon(ButtonIcon::Help), QStringLiteral("vollständige Hilfe"), this);
    m_help->setObjectName(QStringLiteral("BHelp"));

    auto* header = new QGridLayout;
    header->setHorizontalSpacing(10);
    header->setVerticalSpacing(0);
    header->addWidget(name, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignTop);
    header->addWidget(description, 0, 1, Qt::AlignLeft | Qt::AlignTop);
    auto* byRow = new QHBoxLayout;
    byRow->setSpacing(4);
    byRow->addWidget(byline);
    byRow->addWidget(m_mail);
    byRow->addStretch(1);
    header->addLayout(byRow, 1, 1);
    header->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(52, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(header);
    layout->addWidget(m_tips, 1);
    layout->addLayout(bottom);
    PlaceHeading();
}

bool THelpPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tips->viewport() && event->type() == QEvent::Resize)
        PlaceHeading();
    return QWidget::eventFilter(watched, event);
}

void THelpPage::PlaceHeading()
{
    // Over the first line of the field, from its left edge to the scroll bar, growing with it.
    m_heading->setGeometry(1, 1, std::max(0, m_tips->viewport()->width() - 2), 13);
    m_heading->raise();
}

} // namespace korvo
