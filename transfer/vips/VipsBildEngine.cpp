#include "transfer/vips/VipsBildEngine.h"

#include <QFile>

#include <vips/vips8>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

using vips::VError;
using vips::VImage;
using vips::VOption;
using vips::VSource;

namespace {

// Thumbnail box side meaning "no limit".
constexpr int kOhneGrenze = 10000000;

struct TKopf
{
    QString Format;
    int Breite = 0; // upright
    int Hoehe = 0;
};

QString FormatVonLader(const char* lader)
{
    const QString name = QString::fromLatin1(lader).toLower();
    for (const char* format : {"jpeg", "png", "webp", "gif", "tiff", "heif"}) {
        if (name.contains(QLatin1String(format))) {
            return QString::fromLatin1(format);
        }
    }
    return QStringLiteral("anderes");
}

QString ErsteZeile(const char* text)
{
    return QString::fromUtf8(text).trimmed().section(u'\n', 0, 0);
}

// A file that cannot be opened, with the German message; it never leaves
// this file.
class TNichtLesbar : public std::runtime_error
{
public:
    explicit TNichtLesbar(const QString& meldung)
        : std::runtime_error(meldung.toStdString()), m_meldung(meldung)
    {
    }
    const QString& Meldung() const noexcept { return m_meldung; }

private:
    QString m_meldung;
};

QString Beschaedigt(const QString& name, const QString& grund)
{
    return QStringLiteral("Bild »%1« ist beschädigt oder kein lesbares Bild: %2").arg(name, grund);
}

// The image as libvips reads it: a file is streamed from disk, never read
// into memory whole; bytes are read from memory.
class TEingabe
{
public:
    explicit TEingabe(const TBildQuelle& bild) : m_bild(bild) {}

    // A file is opened by name, as libvips' own tools do: only then does a
    // cut-off JPEG count as truncated.
    VImage Laden(VOption* optionen) const
    {
        return ImSpeicher() ? VImage::new_from_source(Quelle(), "", optionen)
                            : VImage::new_from_file(Dateiname().constData(), optionen);
    }
    VImage Verkleinert(int breite, VOption* optionen) const
    {
        return ImSpeicher() ? VImage::thumbnail_source(Quelle(), breite, optionen)
                            : VImage::thumbnail(Dateiname().constData(), breite, optionen);
    }
    const char* Lader() const
    {
        return ImSpeicher() ? vips_foreign_find_load_source(Quelle().get_source())
                            : vips_foreign_find_load(Dateiname().constData());
    }
    bool ImSpeicher() const { return m_bild.Pfad.isEmpty(); }

    // Throws with the system's own reason when the file cannot be opened.
    void Pruefen() const
    {
        if (!ImSpeicher()) {
            Oeffnen();
        }
    }

    // The file as it is, for passing it on unchanged.
    QByteArray Daten() const { return ImSpeicher() ? m_bild.Daten : Oeffnen()->readAll(); }

private:
    VSource Quelle() const
    {
        return VSource::new_from_memory(m_bild.Daten.constData(), static_cast<size_t>(m_bild.Daten.size()));
    }
    QByteArray Dateiname() const { return QFile::encodeName(m_bild.Pfad); }

    std::unique_ptr<QFile> Oeffnen() const
    {
        auto file = std::make_unique<QFile>(m_bild.Pfad);
        if (!file->open(QIODevice::ReadOnly)) {
            throw TNichtLesbar(QStringLiteral("Bild »%1« kann nicht gelesen werden: %2")
                                   .arg(m_bild.Name, file->errorString()));
        }
        return file;
    }

    const TBildQuelle& m_bild;
};

QByteArray BlobDaten(VipsBlob* blob)
{
    size_t laenge = 0;
    const void* daten = vips_blob_get(blob, &laenge);
    QByteArray result(static_cast<const char*>(daten), static_cast<qsizetype>(laenge));
    vips_area_unref(reinterpret_cast<VipsArea*>(blob));
    return result;
}

// Read from memory, libjpeg only warns about a cut-off file. Its end marker
// cannot occur inside the coded data (0xFF is stuffed there), so a complete
// file has one after its first scan.
bool JpegVollstaendig(const QByteArray& daten)
{
    const qsizetype scan = daten.indexOf(QByteArrayView("\xFF\xDA", 2));
    return scan >= 0 && daten.lastIndexOf(QByteArrayView("\xFF\xD9", 2)) > scan;
}

TKopf KopfLesen(const TEingabe& eingabe)
{
    eingabe.Pruefen();
    const char* lader = eingabe.Lader();
    if (lader == nullptr) {
        vips_error_clear();
        throw VError("unbekanntes Bildformat");
    }
    const VImage kopf = eingabe.Laden(VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    TKopf result{FormatVonLader(lader), kopf.width(), kopf.height()};
    if (result.Format == u"jpeg" && eingabe.ImSpeicher() && !JpegVollstaendig(eingabe.Daten())) {
        throw VError("JPEG-Datei ist abgeschnitten");
    }
    if (vips_image_get_orientation_swap(kopf.get_image())) {
        std::swap(result.Breite, result.Hoehe);
    }
    return result;
}

// Scale that fits the image into the box (1 when it fits already).
double Massstab(const TBildEinstellung& einstellung, const TKopf& kopf)
{
    double scale = 1.0;
    if (einstellung.GroesseBreite > 0) {
        scale = std::min(scale, double(einstellung.GroesseBreite) / kopf.Breite);
    }
    if (einstellung.GroesseHoehe > 0) {
        scale = std::min(scale, double(einstellung.GroesseHoehe) / kopf.Hoehe);
    }
    return scale;
}

VImage Verkleinert(const TEingabe& eingabe, int breite, int hoehe)
{
    return eingabe.Verkleinert(breite, VImage::option()
                                           ->set("height", hoehe)
                                           ->set("size", VIPS_SIZE_DOWN)
                                           ->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
}

// Decodes the whole image so that a damaged file is found before it is passed
// on unchanged. Such an image already fits the box, so this is cheap.
void Pruefen(const TEingabe& eingabe)
{
    (void)eingabe
        .Laden(
            VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_TRUNCATED))
        .avg();
}

QString NameMitFormat(const QString& name, const QString& format, const QString& quellFormat)
{
    if (format == quellFormat) {
        return name;
    }
    const qsizetype punkt = name.lastIndexOf(u'.');
    const QString stamm = punkt > 0 ? name.left(punkt) : name;
    return stamm + (format == u"jpeg" ? QStringLiteral(".jpg") : QStringLiteral(".png"));
}

TBildErgebnis Schreiben(const VImage& bild, const QString& quellFormat, int qualitaet)
{
    TBildErgebnis result;
    // JPEG stays JPEG and PNG stays PNG; anything else goes on as PNG, which
    // keeps transparency and loses nothing.
    if (quellFormat == u"jpeg") {
        result.Format = QStringLiteral("jpeg");
        result.Qualitaet = qualitaet;
        result.Daten = BlobDaten(bild.jpegsave_buffer(VImage::option()->set("Q", qualitaet)));
    } else {
        result.Format = QStringLiteral("png");
        result.Daten = BlobDaten(bild.pngsave_buffer(VImage::option()->set("compression", 6)));
    }
    result.Breite = bild.width();
    result.Hoehe = bild.height();
    return result;
}

TBildErgebnis Unveraendert(const QByteArray& daten, const TKopf& kopf)
{
    TBildErgebnis result;
    result.Daten = daten;
    result.Format = kopf.Format;
    result.Breite = kopf.Breite;
    result.Hoehe = kopf.Hoehe;
    result.Unveraendert = true;
    return result;
}

} // namespace

QString TVipsBildEngine::Starten(bool einThreadJeBild)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_gestartet) {
            if (VIPS_INIT("veldrake") != 0) {
                const QString grund = ErsteZeile(vips_error_buffer());
                vips_error_clear();
                return QStringLiteral("Die Bildbibliothek kann nicht gestartet werden: %1").arg(grund);
            }
            vips_cache_set_max(0);
            m_gestartet = true;
        }
    }
    if (einThreadJeBild) {
        vips_concurrency_set(1);
    }
    return {};
}

QString TVipsBildEngine::Anwenden(const TBildEinstellung& einstellung, int jpegQualitaet,
                                  const TBildQuelle& bild, TBildErgebnis& ergebnis)
{
    const TEingabe eingabe(bild);
    try {
        const TKopf kopf = KopfLesen(eingabe);
        const double scale = Massstab(einstellung, kopf);
        const bool verkleinern = scale < 1.0;
        const bool neueQualitaet = kopf.Format == u"jpeg" && einstellung.Qualitaetsverlust > 0;
        if (!verkleinern && !neueQualitaet) {
            Pruefen(eingabe);
            ergebnis = Unveraendert(eingabe.Daten(), kopf);
        } else {
            const int breite = einstellung.GroesseBreite > 0 ? einstellung.GroesseBreite : kOhneGrenze;
            const int hoehe = einstellung.GroesseHoehe > 0 ? einstellung.GroesseHoehe : kOhneGrenze;
            const VImage bildNeu = verkleinern ? Verkleinert(eingabe, breite, hoehe)
                                               : Verkleinert(eingabe, kopf.Breite, kopf.Hoehe);
            ergebnis = Schreiben(bildNeu, kopf.Format, jpegQualitaet);
        }
        ergebnis.Name = NameMitFormat(bild.Name, ergebnis.Format, kopf.Format);
        return {};
    } catch (const VError& e) {
        vips_error_clear();
        return Beschaedigt(bild.Name, ErsteZeile(e.what()));
    } catch (const TNichtLesbar& e) {
        return e.Meldung();
    }
}
