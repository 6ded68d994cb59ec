// The image engine module: found beside the program, and a German failure
// naming the file when it cannot be loaded.
#include "BildTestSupport.h"
#include "transfer/BildEngine.h"
#include "transfer/BildEngineLader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(BildEngineLader, FileThatCannotBeLoadedFailsInGermanNamingIt)
{
    const QTemporaryDir dir;
    DateiSchreiben(dir.filePath(u"kaputt.so"_s), "kein Modul");
    for (const QString& name : {u"fehlt.so"_s, u"kaputt.so"_s}) {
        TBildEngineLader lader(dir.filePath(name));
        try {
            lader.Engine();
            ADD_FAILURE() << name.toStdString() << " loaded";
        } catch (const TBildEngineFehler& e) {
            EXPECT_TRUE(e.Message().startsWith(u"Die Bildbearbeitung kann nicht geladen werden: "_s))
                << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(dir.filePath(name))) << e.Message().toStdString();
        }
    }
}

TEST(BildEngineLader, TriedAgainOnceTheModuleIsInPlace)
{
    const QTemporaryDir dir;
    TBildEngineLader lader(dir.filePath(u"libveldrake_bilder.so"_s));
    EXPECT_THROW(lader.Engine(), TBildEngineFehler);
    // A link, so that the process maps the one module only once.
    ASSERT_TRUE(QFile::link(TBildEngineLader::StandardPfad(), lader.Pfad()));
    TBildEngine& engine = lader.Engine();
    EXPECT_EQ(&lader.Engine(), &engine);
    EXPECT_EQ(engine.Starten(false), QString());
}

} // namespace
