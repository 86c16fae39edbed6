#pragma once
// Records what the window would have shown in its modal boxes.

#include "app/MessageBoxes.h"

#include <QStringList>

struct RecordingMessageBoxes final : veska::app::MessageBoxes {
    QStringList errors;
    QStringList notices;
    void showError(const QString& message) override { errors << message; }
    void showNotice(const QString& text) override { notices << text; }
};
