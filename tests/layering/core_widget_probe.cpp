// Compiled with the core's include paths only: this must fail, for the core
// has no widgets.
#include <QString>
#include <QWidget>
