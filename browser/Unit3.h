#pragma once

#include <QWidget>

// The browser window. Its web engine is made when the window is first shown.
class TfrmIE : public QWidget {
    Q_OBJECT
public:
    explicit TfrmIE(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

extern TfrmIE* frmIE;
