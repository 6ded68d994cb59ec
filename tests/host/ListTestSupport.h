#pragma once

#include <QTest>
#include <QWidget>

// A double click as a real mouse gives it: press and release, then the
// double-click event and its release. (QTest::mouseDClick alone sends only
// the double-click event, which item views treat as a first press.)
inline void DoubleClick(QWidget* widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}
