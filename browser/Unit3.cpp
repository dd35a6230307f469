#include "Unit3.h"

#include <QCloseEvent>

TfrmIE::TfrmIE(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmIE"));
    setWindowTitle(QStringLiteral("インターネット"));
    move(282, 126);
    resize(699, 506);
}

void TfrmIE::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}
