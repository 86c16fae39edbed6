#pragma once
// The application's modal message boxes: the default error dialog and the plain notice,
// both captioned with the application title. The window holds them through this interface
// so tests can record what would have been shown.

#include "core/Notices.h"

#include <QString>

namespace veska::app {

QString applicationTitle(); // "Veska - Programa de Consulta preço"

class MessageBoxes : public Notices {
public:
    // The default error dialog for a failure's message ("." rule applied here).
    virtual void showError(const QString& message) = 0;
};

// Real modal boxes. On a platform without a visible screen the box cannot be answered,
// so the text goes to standard error instead.
class QtMessageBoxes final : public MessageBoxes {
public:
    void showError(const QString& message) override;
    void showNotice(const QString& text) override;
};

} // namespace veska::app
