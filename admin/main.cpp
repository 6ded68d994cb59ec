#include "admin/AdminBefehle.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veldrake-admin"));
    return AdminAusfuehren(QCoreApplication::arguments().mid(1));
}
