#pragma once

#include <QString>
#include <QStringList>

// The message catalogue shipped with the program: the German text of every
// message, by catalogue and number, with its arguments (%1, %2, ...) filled
// in. An unknown message names its catalogue and number.
QString KRNMeldungsText(int number, const QString& catalogue, const QStringList& arguments = {});
