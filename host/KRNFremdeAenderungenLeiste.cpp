#include "host/KRNFremdeAenderungenLeiste.h"

#include "host/KRNHinweisLeiste.h"
#include "host/core/FremdeAenderungen.h"
#include "host/core/Guard.h"
#include "host/core/KRNInfo.h"

#include <QWidget>

TKRNFremdeAenderungenLeiste::TKRNFremdeAenderungenLeiste(QWidget* unten, const QString& ort, TForm form)
    : QObject(unten), m_unten(unten), m_ort(ort), m_form(std::move(form)), m_leiste(new TKRNHinweisLeiste(unten))
{
    connect(m_leiste, &TKRNHinweisLeiste::NeuLaden, this, [this] { NeuLaden(); });
}

TKRNFremdeAenderungenLeiste::~TKRNFremdeAenderungenLeiste()
{
    disconnect(m_verbindung);
}

void TKRNFremdeAenderungenLeiste::Beginnen()
{
    m_leiste->Verbergen();
    m_text.clear();
    disconnect(m_verbindung);
    if (TFremdeAenderungenWaechter* waechter = TFremdeAenderungenWaechter::Aktuell()) {
        m_verbindung = connect(waechter, &TFremdeAenderungenWaechter::Geaendert, this,
                               [this](const TFremdeAenderungen& aenderungen) { Geaendert(aenderungen); });
    }
}

void TKRNFremdeAenderungenLeiste::Geaendert(const TFremdeAenderungen& aenderungen)
{
    KRNGuard(m_ort + QStringLiteral(".FremdGeaendert"), true, [&] {
        if (!m_unten->window()->isVisible()) {
            return;
        }
        std::optional<TFremdHinweis> hinweis = m_form.Betrifft(aenderungen);
        if (!hinweis && aenderungen.Unbekannt && aenderungen.Eintraege.isEmpty()) {
            // The history does not say what: the form may show it no longer as it is.
            hinweis = TFremdHinweis{QStringLiteral("An einem anderen Arbeitsplatz wurde der Datenbestand geändert; "
                                                   "was, sagt der Verlauf nicht."),
                                    std::nullopt};
        }
        if (!hinweis) {
            return;
        }
        QStringList zeilen{hinweis->Was};
        if (hinweis->Eintrag) {
            zeilen << FremdeAenderungText(*hinweis->Eintrag);
        }
        if (m_form.Ungespeichert()) {
            zeilen << QStringLiteral("Ihre Eingaben bleiben stehen, bis Sie „Neu laden“ wählen.");
        }
        m_text = zeilen.join(QLatin1Char('\n'));
        m_leiste->Zeigen(m_text, true);
    });
}

bool TKRNFremdeAenderungenLeiste::NeuLaden()
{
    bool geladen = false;
    KRNGuard(m_ort + QStringLiteral(".NeuLaden"), true, [&] {
        if (m_form.Ungespeichert() &&
            KRNInfo().ShowMeldung(mtQuestion, 1006, QStringLiteral("VELDRAKE")) != mrYes) {
            if (!m_text.isEmpty()) {
                m_leiste->Zeigen(m_text, true);
            }
            return;
        }
        m_leiste->Verbergen();
        m_text.clear();
        m_form.NeuLaden();
        geladen = true;
    });
    return geladen;
}
