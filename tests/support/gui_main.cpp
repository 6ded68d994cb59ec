#include "host/KRNDesktop.h"
#include "host/core/KRNInfo.h"

#include <QApplication>
#include <QFont>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // --backend=postgres: the same tests on the PostgreSQL store (the
    // variable reaches the programs that two-workstation tests start, too).
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--backend=postgres") == 0) {
            qputenv("VELDRAKE_TEST_BACKEND", "postgres");
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The same event dispatcher as the program (see TApplication::Initialize).
    qputenv("QT_NO_GLIB", "1");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication app(argc, argv);
    // The font of a Debian desktop (fonts-dejavu-core), whatever the machine
    // would choose: tests measure texts and take the README's pictures.
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    // Real message boxes behind the tests' scripted presenters, as in the
    // program.
    KRNInfo().InstallPresenter(KRNMessageBoxPresenter());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
