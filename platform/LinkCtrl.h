// A link: its caption drawn as a link, and a click (or Space while it has the focus) opens the
// address the caption shows. No tooltip: the caption is the whole address.
#pragma once

#include <QAbstractButton>

class CMFCLinkCtrl : public QAbstractButton {
    Q_OBJECT

public:
    explicit CMFCLinkCtrl(QWidget* pParent = nullptr);

    QSize sizeHint() const override;

public slots:
    void OnOpen();

protected:
    void paintEvent(QPaintEvent* e) override;
};
