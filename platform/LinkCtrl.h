// A link: its caption drawn as a link, and a click (or Space or Enter while it has the focus, as
// on a push button) opens the address the caption shows. An address that no program opens is
// reported in a message box. No tooltip: the caption is the whole address.
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
    void keyPressEvent(QKeyEvent* e) override;
};
