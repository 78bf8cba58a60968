#include "platform/qt/ModalWindows.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace morvik::backend {

bool CancelToolkitModals()
{
    if (!qApp)
        return false;
    bool any = false;
    // A popup closes those it opened; each round takes the topmost.
    for (int i = 0; i < 64; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
        any = true;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog && dialog->isVisible()) {
            // reject() and not close(): a message box without an escape button ignores a close.
            dialog->reject();
            any = true;
        }
    }
    return any;
}

}  // namespace morvik::backend
