#include "editors/BildVorschau.h"

#include "host/KRNControls.h"
#include "host/KRNFormFrame.h"
#include "host/core/Guard.h"
#include "host/core/KRNError.h"

#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QScopeGuard>

namespace {

const QSize kDesignClient(760, 470);
constexpr int kBildOben = 88;
const QSize kBildFeld(352, 264);

TfrmBildVorschau::TDateiAuswahl& DateiAuswahl()
{
    static TfrmBildVorschau::TDateiAuswahl auswahl;
    return auswahl;
}

QString DateiDialog(QWidget* parent)
{
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Beispielbild wählen"), QString(),
        QStringLiteral("Bilder (*.jpg *.jpeg *.png *.gif *.webp *.tif *.tiff);;"
                       "Alle Dateien (*)"));
}

QImage Aufrecht(const QByteArray& daten)
{
    QBuffer buffer;
    buffer.setData(daten);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

QString Groessen(int breite, int hoehe, qsizetype bytes)
{
    return QStringLiteral("%1 × %2 Pixel, %3")
        .arg(breite)
        .arg(hoehe)
        .arg(QLocale(QLocale::German).formattedDataSize(bytes));
}

void BildZeigen(TKRNStdLabel* label, const QImage& bild)
{
    label->setPixmap(bild.isNull() ? QPixmap()
                                   : QPixmap::fromImage(bild.scaled(kBildFeld, Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation)));
}

TKRNStdLabel* NeuesLabel(const QString& name, QWidget* parent)
{
    auto* label = new TKRNStdLabel(name, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QByteArray BeispielMachen()
{
    // A landscape with sky, sun and hills: fine detail and smooth gradients.
    QImage bild(1600, 1200, QImage::Format_RGB32);
    QPainter painter(&bild);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient himmel(0, 0, 0, 700);
    himmel.setColorAt(0, QColor(40, 90, 180));
    himmel.setColorAt(1, QColor(200, 225, 250));
    painter.fillRect(bild.rect(), himmel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 210, 60));
    painter.drawEllipse(QPoint(1250, 250), 120, 120);
    const QColor gruen[] = {QColor(60, 130, 60), QColor(40, 105, 45), QColor(30, 80, 35)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(gruen[i]);
        painter.drawEllipse(QPoint(300 + 550 * i, 1150 + 60 * i), 700, 450 - 40 * i);
    }
    painter.setPen(QPen(QColor(250, 250, 250), 3));
    for (int x = 0; x < 1600; x += 40) {
        painter.drawLine(x, 1180, x + 20, 1140);
    }
    painter.setPen(QColor(20, 20, 20));
    QFont schrift = painter.font();
    schrift.setPixelSize(64);
    painter.setFont(schrift);
    painter.drawText(QRect(0, 760, 1600, 100), Qt::AlignCenter, QStringLiteral("Beispielbild 1600 × 1200"));
    painter.end();
    QByteArray daten;
    QBuffer buffer(&daten);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(bild);
    return daten;
}

} // namespace

TfrmBildVorschau::TfrmBildVorschau(QWidget* parent) : TKRNForm(parent)
{
    setObjectName(QStringLiteral("frmBildVorschau"));
    SetCaption(QStringLiteral("Vorschau der Bildeinstellung"));
    SetupUi();
}

TfrmBildVorschau::~TfrmBildVorschau() = default;

void TfrmBildVorschau::SetDateiAuswahl(TDateiAuswahl auswahl)
{
    DateiAuswahl() = std::move(auswahl);
}

const QByteArray& TfrmBildVorschau::Beispielbild()
{
    static const QByteArray beispiel = BeispielMachen();
    return beispiel;
}

void TfrmBildVorschau::SetupUi()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* anchors = new TAnchors(*this, kDesignClient);
    TDialogFrame frame(*this, *anchors);
    spbSchliessen = frame.AddButton(QStringLiteral("spbSchliessen"), QStringLiteral("Schließen"),
                                    QStringLiteral("Esc - schließen ..."), QStyle::SP_DialogCloseButton,
                                    [this] { spbSchliessenClick(spbSchliessen); });
    spbBild = frame.AddButton(QStringLiteral("spbBild"), QStringLiteral("Bild wählen"),
                              QStringLiteral("F3 - anderes Beispielbild ..."), QStyle::SP_DialogOpenButton,
                              [this] { spbBildClick(spbBild); });

    lblVorher = NeuesLabel(QStringLiteral("lblVorher"), frame.Daten);
    lblVorher->setAccessibleName(QStringLiteral("Bild vorher"));
    lblNachher = NeuesLabel(QStringLiteral("lblNachher"), frame.Daten);
    lblNachher->setAccessibleName(QStringLiteral("Bild nachher"));
    lblInfoVorher = NeuesLabel(QStringLiteral("lblInfoVorher"), frame.Daten);
    lblInfoNachher = NeuesLabel(QStringLiteral("lblInfoNachher"), frame.Daten);
    const QRect bereich = frame.ContentArea(kBildOben);
    const int links = bereich.left();
    const int rechts = bereich.right() + 1 - kBildFeld.width();
    const int infoOben = kBildOben + kBildFeld.height() + 8;
    anchors->Place(lblVorher, QRect(QPoint(links, kBildOben), kBildFeld));
    anchors->Place(lblNachher, QRect(QPoint(rechts, kBildOben), kBildFeld));
    anchors->Place(lblInfoVorher, QRect(links, infoOben, kBildFeld.width(), 60));
    anchors->Place(lblInfoNachher, QRect(rechts, infoOben, kBildFeld.width(), 60));
    anchors->FixClientSize(kDesignClient);

    AddAction(QStringLiteral("actEsc"), QKeySequence(Qt::Key_Escape), [this] { spbSchliessenClick(this); });
    AddAction(QStringLiteral("actF3"), QKeySequence(Qt::Key_F3), [this] { spbBildClick(this); });
}

void TfrmBildVorschau::SetEinstellung(const TBildEinstellung& einstellung)
{
    m_einstellung = einstellung;
    Anzeigen();
}

void TfrmBildVorschau::SetBild(const QString& pfad)
{
    m_pfad = pfad;
    Anzeigen();
}

void TfrmBildVorschau::spbBildClick(QObject*)
{
    KRNGuard(QStringLiteral("TfrmBildVorschau.spbBildClick"), true, [&] {
        const QString pfad = DateiAuswahl() ? DateiAuswahl()(this) : DateiDialog(this);
        if (!pfad.isEmpty()) {
            SetBild(pfad);
        }
    });
}

void TfrmBildVorschau::spbSchliessenClick(QObject*)
{
    close();
}

TBildQuelle TfrmBildVorschau::Quelle() const
{
    if (m_pfad.isEmpty()) {
        return TBildQuelle{QStringLiteral("Beispielbild.jpg"), QString(), Beispielbild()};
    }
    return TBildQuelle{QFileInfo(m_pfad).fileName(), m_pfad, {}};
}

void TfrmBildVorschau::Anzeigen()
{
    m_ergebnis.reset();
    const TBildQuelle quelle = Quelle();
    QByteArray original = quelle.Daten;
    if (!quelle.Pfad.isEmpty()) {
        QFile file(quelle.Pfad);
        original = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    const QImage vorher = Aufrecht(original);
    BildZeigen(lblVorher, vorher);
    // The info stays the images' description, however the way below ends.
    const auto beschreiben = qScopeGuard([this] {
        lblVorher->setAccessibleDescription(lblInfoVorher->Caption());
        lblNachher->setAccessibleDescription(lblInfoNachher->Caption());
    });
    lblInfoVorher->SetCaption(
        QStringLiteral("Vorher: %1\n%2")
            .arg(quelle.Name, vorher.isNull() ? QStringLiteral("nicht lesbar")
                                              : Groessen(vorher.width(), vorher.height(), original.size())));

    if (UebertrageneBilder(m_einstellung, {quelle}).isEmpty()) {
        BildZeigen(lblNachher, QImage());
        lblNachher->SetCaption(QStringLiteral("Bild nicht übertragen"));
        lblInfoNachher->SetCaption(QStringLiteral("Nachher: kein Bild"));
        return;
    }
    try {
        m_ergebnis = BildAnwenden(m_einstellung, quelle);
    } catch (const KRNException& e) {
        BildZeigen(lblNachher, QImage());
        lblNachher->SetCaption(e.Message());
        lblInfoNachher->SetCaption(QStringLiteral("Nachher: kein Bild"));
        return;
    }
    BildZeigen(lblNachher, Aufrecht(m_ergebnis->Daten));
    QString info =
        QStringLiteral("Nachher: %1\n%2")
            .arg(m_ergebnis->Name, Groessen(m_ergebnis->Breite, m_ergebnis->Hoehe, m_ergebnis->Daten.size()));
    if (m_ergebnis->Unveraendert) {
        info += QStringLiteral(", unverändert");
    } else if (m_ergebnis->Qualitaet > 0) {
        info += QStringLiteral(", JPEG-Qualität %1 %").arg(m_ergebnis->Qualitaet);
    }
    lblInfoNachher->SetCaption(info);
}
