#pragma once

#include "editors/KOMMFilterEditorU.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>

using EditorPtr = std::unique_ptr<TfrmKOMMFilterEditor, TKRNFree>;

// A control of an editor by its component name; fails the test when missing.
template <class T> T* Control(const TfrmKOMMFilterEditor& editor, const char* name)
{
    T* control = editor.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}
