// The filter editor registry: order, lookups, duplicates and the guard.
#include "RecordingPresenter.h"

#include "data/MainDM.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const TKOMMFilterEditorClassInfo kEditorA{u"EditorA"_s, nullptr};
const TKOMMFilterEditorClassInfo kEditorB{u"EditorB"_s, nullptr};

struct Seen
{
    QString Kennung;
    QString Bezeichnung;
    TKOMMFilterClass Klasse;
};

QList<Seen> Enumerate()
{
    QList<Seen> seen;
    EnumKOMMFilter([&](const QString& k, const QString& b, TKOMMFilterClass c) { seen.append({k, b, c}); });
    return seen;
}

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override { ClearKOMMFilterRegistry(); }
    void TearDown() override { ClearKOMMFilterRegistry(); }
    RecordingPresenter presenter;
};

} // namespace

TEST_F(RegistryTest, EmptyRegistryFindsNothing)
{
    EXPECT_TRUE(Enumerate().isEmpty());
    EXPECT_EQ(GetKOMMFilterBezeichnung(u"ABIL"_s), QString());
    EXPECT_EQ(GetKOMMFilterEditor(u"ABIL"_s), nullptr);
    EXPECT_EQ(GetKOMMFilterKlasse(u"ABIL"_s), nullptr);
    EnumKOMMFilter(nullptr);
    EXPECT_TRUE(presenter.ErrorLocations().isEmpty());
}

TEST_F(RegistryTest, EnumeratesInRegistrationOrderAndLooksUpExactly)
{
    RegisterKOMMFilterEditor(u"ABIL"_s, u"Artikelbilder"_s, TABILKommFilter::ClassRef(), &kEditorA);
    RegisterKOMMFilterEditor(u"KBIL"_s, u"Katalogbilder"_s, TKBILKommFilter::ClassRef(), &kEditorB);

    const QList<Seen> seen = Enumerate();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].Bezeichnung, u"Artikelbilder"_s);
    EXPECT_EQ(seen[1].Kennung, u"KBIL"_s);
    EXPECT_EQ(seen[1].Klasse, TKBILKommFilter::ClassRef());

    EXPECT_EQ(GetKOMMFilterBezeichnung(u"KBIL"_s), u"Katalogbilder"_s);
    EXPECT_EQ(GetKOMMFilterEditor(u"KBIL"_s), &kEditorB);
    EXPECT_EQ(GetKOMMFilterKlasse(u"ABIL"_s), TABILKommFilter::ClassRef());
    EXPECT_EQ(GetKOMMFilterBezeichnung(u"kbil"_s), QString()) << "lookups are case-sensitive";
    EXPECT_EQ(GetKOMMFilterEditor(u"Abil"_s), nullptr);
}

TEST_F(RegistryTest, DuplicatesAreKeptAndTheFirstWins)
{
    RegisterKOMMFilterEditor(u"X"_s, u"Erster"_s, TABILKommFilter::ClassRef(), &kEditorA);
    RegisterKOMMFilterEditor(u"X"_s, u"Zweiter"_s, TKBILKommFilter::ClassRef(), &kEditorB);
    const QList<Seen> seen = Enumerate();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].Bezeichnung, u"Zweiter"_s);
    EXPECT_EQ(GetKOMMFilterBezeichnung(u"X"_s), u"Erster"_s);
    EXPECT_EQ(GetKOMMFilterEditor(u"X"_s), &kEditorA);
    EXPECT_EQ(GetKOMMFilterKlasse(u"X"_s), TABILKommFilter::ClassRef());
}

TEST_F(RegistryTest, AFailingCallbackEndsTheWalkAndIsReported)
{
    RegisterKOMMFilterEditor(u"A"_s, u"A"_s, nullptr, nullptr);
    RegisterKOMMFilterEditor(u"B"_s, u"B"_s, nullptr, nullptr);
    int calls = 0;
    EnumKOMMFilter([&](const QString&, const QString&, TKOMMFilterClass) {
        ++calls;
        throw std::runtime_error("kaputt");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(presenter.ErrorLocations(), QStringList{u"EnumKOMMFilter"_s});
}
