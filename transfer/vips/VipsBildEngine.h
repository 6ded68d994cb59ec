#pragma once

#include "transfer/BildEngine.h"

#include <QObject>

#include <mutex>

// The image engine on libvips: it shrinks JPEGs while decoding and streams
// the rest, resamples with a Lanczos kernel, keeps colour profiles and
// metadata, and fails on a cut-off file.
class TVipsBildEngine final : public QObject, public TBildEngine
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TBildEngine_iid)
    Q_INTERFACES(TBildEngine)

public:
    QString Starten(bool einThreadJeBild) override;
    QString Anwenden(const TBildEinstellung& einstellung, int jpegQualitaet, const TBildQuelle& bild,
                     TBildErgebnis& ergebnis) override;

private:
    std::mutex m_mutex;
    bool m_gestartet = false;
};
