#pragma once
// What the services show the operator: a notice (a plain modal message box) and the
// activity log. The window implements it; tests record it.

#include <QString>

namespace veska {

class Notices {
public:
    virtual ~Notices() = default;
    // A modal box with the text, one OK button, no icon, the application title as caption.
    virtual void showNotice(const QString& text) = 0;
};

class ActivityLog {
public:
    virtual ~ActivityLog() = default;
    // One whole line at the end; the view follows it.
    virtual void appendLine(const QString& line) = 0;
};

} // namespace veska
