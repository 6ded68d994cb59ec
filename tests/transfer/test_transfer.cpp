// The transfer job over the real store: computers grouped by the setting
// that serves them, each image processed once per setting, folders per
// computer.
#include "BildTestSupport.h"
#include "TempStore.h"
#include "data/MainDM.h"
#include "host/core/KOMMFilter.h"
#include "transfer/Transfer.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

class TransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ImportComputersCsvText(store.Store(),
                               u"Rechnertyp;F;Filiale\nRechnertyp;K;Kasse\nRechnertyp;A;Außendienst\n"
                               "Rechner;101;a;F\nRechner;102;b;F\nRechner;201;c;K\nRechner;202;d;K\n"
                               "Rechner;301;e;A\n"_s,
                               u"Test"_s);
        dtm.RunCreateHandler();
        dtm.BuchenAktivitaet(u"ABIL"_s, true);
        Einstellung(u"KLEIN"_s, u'F', [](TBildKOMMFilter& f) { f.GroesseBreite = 100; });
        Einstellung(u"ERSTES"_s, u'K', [](TBildKOMMFilter& f) { f.OnlyFirstPicExp = true; });
        Einstellung(u"KEINE"_s, u'A', [](TBildKOMMFilter& f) { f.BildLoeschen = true; });
        for (const QString& name : {u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s}) {
            const QString pfad = store.Dir() + u"/"_s + name;
            DateiSchreiben(pfad, AlsJpeg(TestBild(QSize(400, 300))));
            auftrag.Bilder.append(pfad);
        }
        auftrag.Kennung = u"ABIL"_s;
        auftrag.Ausgabe = store.Dir() + u"/aus"_s;
        auftrag.Rechner = ReadRechner(store.Store(), false);
    }

    template <typename Setzen> void Einstellung(const QString& name, QChar rtyp, Setzen setzen)
    {
        TABILKommFilter filter(u"ABIL"_s, name);
        setzen(filter);
        filter.FilterSave();
        dtm.BuchenKommunikation(u"ABIL"_s, name, rtyp, 0, true);
    }

    QStringList Dateien(int rnr) const
    {
        return QDir(auftrag.Ausgabe + u"/"_s + QString::number(rnr)).entryList(QDir::Files, QDir::Name);
    }

    TempStore store;
    TdtmKOMMFilter dtm;
    TTransferAuftrag auftrag;
};

TEST_F(TransferTest, EachImageOncePerSettingAndEveryComputerItsFolder)
{
    QList<std::pair<int, int>> fortschritt;
    auftrag.Fortschritt = [&fortschritt](int erledigt, int gesamt) {
        fortschritt.append({erledigt, gesamt});
    };
    const TTransferErgebnis ergebnis = Uebertragen(auftrag);

    EXPECT_EQ(ergebnis.Einstellungen, 3);
    EXPECT_EQ(ergebnis.Verarbeitet, 3 + 1); // KLEIN: all three, ERSTES: the first, KEINE: none
    EXPECT_TRUE(ergebnis.Fehler.isEmpty());
    ASSERT_FALSE(fortschritt.isEmpty());
    EXPECT_EQ(fortschritt.last(), std::make_pair(4, 4));

    const QStringList alle{u"a.jpg"_s, u"b.jpg"_s, u"c.jpg"_s};
    EXPECT_EQ(Dateien(101), alle);
    EXPECT_EQ(Dateien(102), alle);
    EXPECT_EQ(Dateien(201), QStringList{u"a.jpg"_s});
    EXPECT_EQ(Dateien(202), QStringList{u"a.jpg"_s});
    EXPECT_TRUE(QFileInfo(auftrag.Ausgabe + u"/301"_s).isDir());
    EXPECT_TRUE(Dateien(301).isEmpty());
    EXPECT_EQ(Groesse(DateiLesen(auftrag.Ausgabe + u"/102/c.jpg"_s)), QSize(100, 75));

    // Computers of one setting share the written file.
    struct stat erster
    {
    }, zweiter{};
    ASSERT_EQ(stat(QFile::encodeName(auftrag.Ausgabe + u"/101/b.jpg"_s).constData(), &erster), 0);
    ASSERT_EQ(stat(QFile::encodeName(auftrag.Ausgabe + u"/102/b.jpg"_s).constData(), &zweiter), 0);
    EXPECT_EQ(erster.st_ino, zweiter.st_ino);

    ASSERT_EQ(ergebnis.Rechner.size(), 5);
    EXPECT_EQ(ergebnis.Rechner[4].Bedienung.Bezeichnung, u"KEINE"_s);
    EXPECT_TRUE(ergebnis.Rechner[4].Bilder.isEmpty());
}

TEST_F(TransferTest, KindSwitchedOffPassesImagesUnchanged)
{
    dtm.BuchenAktivitaet(u"ABIL"_s, false);
    const TTransferErgebnis ergebnis = Uebertragen(auftrag);
    EXPECT_EQ(ergebnis.Einstellungen, 1);
    for (const TTransferRechner& rechner : ergebnis.Rechner) {
        EXPECT_EQ(rechner.Bedienung.Grund, TZuordnungsGrund::ArtAus);
        EXPECT_EQ(Dateien(rechner.Rechner.RNr).size(), 3);
    }
    EXPECT_EQ(DateiLesen(auftrag.Ausgabe + u"/301/a.jpg"_s), DateiLesen(auftrag.Bilder[0]));
}

} // namespace
