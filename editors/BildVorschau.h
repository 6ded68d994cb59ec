#pragma once

#include "host/KRNForm.h"
#include "transfer/BildVerarbeitung.h"

#include <QString>

#include <functional>
#include <optional>

class TKRNStdLabel;
class TKRNStdSpeedButton;

// Shows a sample image before and after an image setting, with pixel and
// file sizes: the built-in sample, or an image the user picks.
class TfrmBildVorschau final : public TKRNForm
{
    Q_OBJECT
public:
    explicit TfrmBildVorschau(QWidget* parent = nullptr);
    ~TfrmBildVorschau() override;

    // Asks the user for an image file; empty when cancelled. Tests set their
    // own; without one a file dialog opens.
    using TDateiAuswahl = std::function<QString(QWidget* parent)>;
    static void SetDateiAuswahl(TDateiAuswahl auswahl);

    // Applies the setting to the current sample and shows both.
    void SetEinstellung(const TBildEinstellung& einstellung);
    // The sample: a file, or the built-in one when empty.
    void SetBild(const QString& pfad);
    QString Bild() const { return m_pfad; }
    // The image as the setting passes it on; none when it passes nothing or
    // the sample is damaged.
    const std::optional<TBildErgebnis>& Ergebnis() const { return m_ergebnis; }

    // "Bild wählen" / F3: another sample through the file choice.
    void spbBildClick(QObject* sender);
    // "Schließen" / Esc.
    void spbSchliessenClick(QObject* sender);

    // The built-in sample, a JPEG of 1600 x 1200.
    static const QByteArray& Beispielbild();

    TKRNStdSpeedButton* spbBild = nullptr;
    TKRNStdSpeedButton* spbSchliessen = nullptr;
    TKRNStdLabel* lblVorher = nullptr;
    TKRNStdLabel* lblNachher = nullptr;
    TKRNStdLabel* lblInfoVorher = nullptr;
    TKRNStdLabel* lblInfoNachher = nullptr;

private:
    void SetupUi();
    void Anzeigen();
    TBildQuelle Quelle() const;

    QString m_pfad;
    TBildEinstellung m_einstellung;
    std::optional<TBildErgebnis> m_ergebnis;
};
