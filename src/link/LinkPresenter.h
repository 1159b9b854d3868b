#pragma once

#include <QString>

// How the link asks the technician about a failing write. The windows connect
// it to the translated dialogs; without one, questions count as Cancel.
class ILinkPresenter {
public:
    virtual ~ILinkPresenter() = default;
    // Warning with OK and Cancel; true for OK.
    virtual bool ConfirmWarning(const QString& text) = 0;
    // Warning with one OK button.
    virtual void ShowWarning(const QString& text) = 0;
};
