#pragma once

#include "host/core/KRNComponent.h"

#include <QObject>

// A non-visual container with creation and destroy handlers.
class TDataModule : public QObject, public TKRNComponent
{
public:
    TDataModule() = default;
};
