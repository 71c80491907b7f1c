// A path box with a browse button at its right end. The button (and Alt+Down in the box) opens a
// file-open dialog and puts the chosen file's full path into the box. The box itself is
// read-only: the user cannot type or paste a path, only select and copy it.
#pragma once

#include <QLineEdit>
#include <string>

class QToolButton;

class CMFCEditBrowseCtrl : public QLineEdit {
    Q_OBJECT

public:
    // The button's objectName is the box's objectName followed by "_BROWSE" (set it after
    // construction with SetName, so that both follow).
    explicit CMFCEditBrowseCtrl(QWidget* pParent = nullptr);

    void SetName(const QString& name);
    QToolButton* BrowseButton() const { return m_pBrowseButton; }

    std::u16string GetWindowText() const;

    // Puts path into the box as the browse button does, and says so (PathChosen).
    void ChoosePath(const QString& path);

signals:
    // A path was put into the box: by the browse button, or by ChoosePath.
    void PathChosen(const QString& path);

public slots:
    // Opens the file-open dialog, starting at the file the box names.
    void OnBrowse();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QToolButton* m_pBrowseButton;
};
