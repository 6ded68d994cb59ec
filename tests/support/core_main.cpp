#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

// The main of the tests that link only the core: no toolkit for windows.
int main(int argc, char** argv)
{
    // --backend=postgres: the same tests on the PostgreSQL store (the
    // variable reaches the programs that two-workstation tests start, too).
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--backend=postgres") == 0) {
            qputenv("VELDRAKE_TEST_BACKEND", "postgres");
        }
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
