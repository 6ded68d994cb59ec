#pragma once

#include "transfer/BildVerarbeitung.h"

#include <QString>
#include <QtPlugin>

// The image library's side of BildAnwenden. It lives in a module of its own
// (libveldrake_bilder.so, built from transfer/vips/) that a process loads
// the first time it processes an image, so that only such a process maps
// libvips and the libraries it needs; the module links Qt Core and libvips
// and nothing of ours.
//
// Failures come back as German text, not as our exceptions: the module does
// not know them. Only what the standard library throws (std::bad_alloc)
// may pass its edge.
class TBildEngine
{
public:
    virtual ~TBildEngine() = default;

    // Readies the image library; a worker that processes many images in
    // parallel asks for one thread per image. Empty when ready, else why
    // not.
    virtual QString Starten(bool einThreadJeBild) = 0;

    // Applies the setting to one image into ergebnis; a JPEG written anew
    // gets jpegQualitaet. Empty when done, else the German message naming
    // the image.
    virtual QString Anwenden(const TBildEinstellung& einstellung, int jpegQualitaet, const TBildQuelle& bild,
                             TBildErgebnis& ergebnis) = 0;
};

// The number goes up whenever this class or the structs it passes change,
// so that a module of another build is refused instead of misread.
#define TBildEngine_iid "org.veldrake.TBildEngine/1"
Q_DECLARE_INTERFACE(TBildEngine, TBildEngine_iid)
