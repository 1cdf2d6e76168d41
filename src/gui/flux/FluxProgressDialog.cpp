#include "gui/flux/FluxProgressDialog.h"

#include <QProgressDialog>
#include <memory>

namespace flux {

DecodeProgress MakeProgressDialog(QWidget* parent) {
    auto dialog = std::make_shared<QProgressDialog>(QStringLiteral("Decoding the flux recording..."),
                                                    QStringLiteral("Cancel"), 0, 1, parent);
    dialog->setObjectName(QStringLiteral("dlgFluxProgress"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(500);
    dialog->setAutoClose(true);
    dialog->setValue(0);
    return [dialog](int done, int total) {
        dialog->setMaximum(total);
        dialog->setValue(done);  // shows the dialog once half a second has gone by, and handles its events
        return !dialog->wasCanceled();
    };
}

}  // namespace flux
